#pragma once
// The About box.
#include <QDialog>

namespace zet::ui {

class CAboutDlg : public QDialog {
  Q_OBJECT
 public:
  explicit CAboutDlg(QWidget* parent = nullptr);
};

}  // namespace zet::ui
