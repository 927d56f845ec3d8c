#include "app/qt_prompts.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>

#include "app/busy_cursor.h"

namespace zet::ui {

MsgAnswer QtPrompts::Message(const std::string& text, const std::string& caption, MsgButtons buttons,
                             MsgIcon icon) {
  QMessageBox box(owner_);
  box.setWindowTitle(QString::fromStdString(caption));
  box.setText(QString::fromStdString(text));
  switch (icon) {
    case MsgIcon::None: box.setIcon(QMessageBox::NoIcon); break;
    case MsgIcon::Exclamation:
    case MsgIcon::Warning: box.setIcon(QMessageBox::Warning); break;
    case MsgIcon::Information: box.setIcon(QMessageBox::Information); break;
    case MsgIcon::Stop: box.setIcon(QMessageBox::Critical); break;
  }
  QMessageBox::StandardButtons set;
  switch (buttons) {
    case MsgButtons::Ok: set = QMessageBox::Ok; break;
    case MsgButtons::OkCancel: set = QMessageBox::Ok | QMessageBox::Cancel; break;
    case MsgButtons::YesNo: set = QMessageBox::Yes | QMessageBox::No; break;
    case MsgButtons::YesNoCancel: set = QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel; break;
    case MsgButtons::RetryCancel: set = QMessageBox::Retry | QMessageBox::Cancel; break;
  }
  box.setStandardButtons(set);
  // Russian captions for the standard buttons, whatever the Qt translation.
  if (auto* b = box.button(QMessageBox::Ok)) b->setText("OK");
  if (auto* b = box.button(QMessageBox::Cancel)) b->setText("Отмена");
  if (auto* b = box.button(QMessageBox::Yes)) b->setText("Да");
  if (auto* b = box.button(QMessageBox::No)) b->setText("Нет");
  if (auto* b = box.button(QMessageBox::Retry)) b->setText("Повтор");
  const UserCursor userCursor;
  switch (box.exec()) {
    case QMessageBox::Yes: return MsgAnswer::Yes;
    case QMessageBox::No: return MsgAnswer::No;
    case QMessageBox::Retry: return MsgAnswer::Retry;
    case QMessageBox::Ok: return MsgAnswer::Ok;
    default: break;
  }
  // Closing the box with Escape or the window button is Cancel where there is
  // one, else the only remaining answer.
  switch (buttons) {
    case MsgButtons::Ok: return MsgAnswer::Ok;
    case MsgButtons::YesNo: return MsgAnswer::No;
    default: return MsgAnswer::Cancel;
  }
}

void QtPrompts::Beep() { QApplication::beep(); }

}  // namespace zet::ui
