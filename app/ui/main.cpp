// zet: the desktop program.
#include <QApplication>
#include <QIcon>

#include "app/ui/log_app.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("ЗЕТ"));
  QApplication::setOrganizationName(QStringLiteral("Вистен"));
  QApplication::setWindowIcon(QIcon(QStringLiteral(":/icons/zet.svg")));
  zet::ui::CLogApp theApp;
  QStringList args = QApplication::arguments();
  args.removeFirst();
  if (int rc = theApp.InitInstance(args); rc != 0) return rc;
  return QApplication::exec();
}
