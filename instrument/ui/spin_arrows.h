#pragma once
// A pair of small arrow buttons that report steps (+1 up, -1 down; repeated
// while held) and keep no value of their own: the dialog owns the value.
#include <QWidget>

class QToolButton;

namespace zet::ui {

class SpinArrows : public QWidget {
  Q_OBJECT
 public:
  explicit SpinArrows(QWidget* parent = nullptr);
  void StepUp() { emit Stepped(+1); }
  void StepDown() { emit Stepped(-1); }

 signals:
  void Stepped(int delta);

 private:
  QToolButton* up_;
  QToolButton* down_;
};

}  // namespace zet::ui
