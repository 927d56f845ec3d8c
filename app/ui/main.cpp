// zet: the desktop program.
#include <QApplication>
#include <QIcon>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

#include "app/ui/log_app.h"
#include "recording/replacing_file.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  zet::RemoveTemporariesOnSignals();
  QApplication::setApplicationName(QStringLiteral("ЗЕТ"));
  QApplication::setOrganizationName(QStringLiteral("Вистен"));
  QApplication::setWindowIcon(QIcon(QStringLiteral(":/icons/zet.svg")));
  // The program speaks Russian whatever the user's locale: the standard
  // dialogs and message-box buttons too ("Да", "Нет", "Отмена").
  QTranslator qtTranslator;
  if (qtTranslator.load(QLocale(QLocale::Russian, QLocale::Russia), QStringLiteral("qtbase"),
                        QStringLiteral("_"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
    QApplication::installTranslator(&qtTranslator);
  zet::ui::CLogApp theApp;
  QStringList args = QApplication::arguments();
  args.removeFirst();
  if (int rc = theApp.InitInstance(args); rc != 0) return rc;
  return QApplication::exec();
}
