#pragma once
// The shunt rating dialog: a list of ratings in amperes, one to be chosen.
#include <QDialog>

#include "base/host.h"

class QLineEdit;
class QListWidget;
class QPushButton;

namespace zet::ui {

inline constexpr const char* kZeroRatingMessage = "Номинал шунта должен быть целым числом от 1 до 4294967295 Ампер.";

class CShuntDlg : public QDialog {
  Q_OBJECT
 public:
  explicit CShuntDlg(Prompts& prompts, QWidget* parent = nullptr);

  double m_dResistance = 0;  // in: the document's shunt resistance
  double m_dRating = 0;      // out: the chosen rating in amperes

  QListWidget* m_listRatings;
  QLineEdit* m_editRating;
  QPushButton* m_buttonAdd;
  QPushButton* m_buttonOk;

  void OnAdd();
  void accept() override;  // refused while no rating is selected

 protected:
  void showEvent(QShowEvent* e) override;

 private:
  void InitList();
  Prompts& m_prompts;
};

}  // namespace zet::ui
