#include "app/busy_cursor.h"

#include <QCursor>
#include <QGuiApplication>

namespace zet::ui {

BusyCursor::BusyCursor() { QGuiApplication::setOverrideCursor(Qt::WaitCursor); }

BusyCursor::~BusyCursor() { QGuiApplication::restoreOverrideCursor(); }

UserCursor::UserCursor() {
  const QCursor* current = QGuiApplication::overrideCursor();
  if (current && current->shape() == Qt::WaitCursor) {
    QGuiApplication::setOverrideCursor(Qt::ArrowCursor);
    pushed_ = true;
  }
}

UserCursor::~UserCursor() {
  if (pushed_) QGuiApplication::restoreOverrideCursor();
}

}  // namespace zet::ui
