#include "recording/ui/shunt_dlg.h"

#include <QDialogButtonBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QVBoxLayout>
#include <cmath>
#include <limits>

namespace zet::ui {

CShuntDlg::CShuntDlg(Prompts& prompts, QWidget* parent) : QDialog(parent), m_prompts(prompts) {
  setWindowTitle(QStringLiteral("Задание номинала шунта"));
  auto* group = new QGroupBox(QStringLiteral("Номинал шунта (Ампер) :"), this);
  m_listRatings = new QListWidget(group);
  m_listRatings->setSelectionMode(QAbstractItemView::SingleSelection);
  m_editRating = new QLineEdit(group);
  m_editRating->setMaxLength(10);
  m_editRating->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")),
                                                             m_editRating));
  m_buttonAdd = new QPushButton(QStringLiteral("Добавить"), group);
  auto* addRow = new QHBoxLayout;
  addRow->addWidget(m_editRating);
  addRow->addWidget(m_buttonAdd);
  auto* groupLayout = new QVBoxLayout(group);
  groupLayout->addWidget(m_listRatings);
  groupLayout->addLayout(addRow);

  m_buttonOk = new QPushButton(QStringLiteral("OK"), this);
  m_buttonOk->setDefault(true);
  auto* cancel = new QPushButton(QStringLiteral("Отмена"), this);
  auto* buttons = new QVBoxLayout;
  buttons->addWidget(m_buttonOk);
  buttons->addWidget(cancel);
  buttons->addStretch();
  auto* layout = new QHBoxLayout(this);
  layout->addWidget(group);
  layout->addLayout(buttons);

  connect(m_buttonAdd, &QPushButton::clicked, this, &CShuntDlg::OnAdd);
  connect(m_buttonOk, &QPushButton::clicked, this, &CShuntDlg::accept);
  connect(cancel, &QPushButton::clicked, this, &CShuntDlg::reject);
  InitList();
}

void CShuntDlg::InitList() {
  m_listRatings->clear();
  for (unsigned r : {10u, 30u, 50u, 100u, 300u}) {
    auto* item = new QListWidgetItem(QString::number(r), m_listRatings);
    item->setData(Qt::UserRole, r);
  }
}

void CShuntDlg::showEvent(QShowEvent* e) {
  // The selection follows the resistance the dialog was given; the last
  // matching rating wins, the first item when none matches.
  m_listRatings->setCurrentRow(0);
  for (int i = 0; i < m_listRatings->count(); ++i) {
    double rating = m_listRatings->item(i)->data(Qt::UserRole).toDouble();
    if (std::fabs(0.075 / rating - m_dResistance) <= 0.000001) m_listRatings->setCurrentRow(i);
  }
  QDialog::showEvent(e);
}

void CShuntDlg::OnAdd() {
  bool ok = false;
  unsigned long long value = m_editRating->text().toULongLong(&ok);
  // A rating of 0 would mean an infinite resistance.
  if (!ok || value == 0 || value > std::numeric_limits<unsigned>::max()) {
    m_prompts.Message(kZeroRatingMessage, QStringLiteral("Задание номинала шунта").toStdString(),
                      MsgButtons::Ok, MsgIcon::Exclamation);
    return;
  }
  for (int i = 0; i < m_listRatings->count(); ++i)
    if (m_listRatings->item(i)->data(Qt::UserRole).toULongLong() == value) return;
  auto* item = new QListWidgetItem(m_editRating->text(), m_listRatings);
  item->setData(Qt::UserRole, static_cast<unsigned>(value));
}

void CShuntDlg::accept() {
  QListWidgetItem* item = m_listRatings->currentItem();
  if (!item || !item->isSelected()) return;
  double rating = item->data(Qt::UserRole).toDouble();
  if (rating <= 0) return;
  m_dRating = rating;
  QDialog::accept();
}

}  // namespace zet::ui
