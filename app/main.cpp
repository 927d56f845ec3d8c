// zet: the desktop program.
#include <QApplication>
#include <QIcon>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>
#include <cstdio>
#include <cstring>

#include "app/log_app.h"
#include "recording/replacing_file.h"

namespace {

// Answered before any window exists, so they work without a display (the
// manual page is made from them at build time).
bool AnswerWithoutWindow(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--version") == 0) {
      std::printf("zet %s\n", ZET_VERSION);
      return true;
    }
    if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
      std::fputs(
          "Usage: zet [--simulator] [FILE.zet]\n"
          "The desktop program of the ZET two-channel field voltage recorder used in\n"
          "stray-current and pipeline-potential surveys. Over a serial line it\n"
          "programs the recorder for a run, downloads its memory (each run becomes a\n"
          "recording), shows live readings and runs the recorder's self-test. It\n"
          "shows a recording as a zoomable time chart or as a stray-current vector\n"
          "diagram with playback, filters 50 Hz, shows shunt current, exports to a\n"
          "spreadsheet, prints and saves .zet files. FILE.zet is opened at start.\n"
          "\n"
          "Options:\n"
          "  --simulator     also start a simulated recorder for this run and use it\n"
          "                  as the port, so every command of the \"Прибор\" menu can\n"
          "                  be tried without the instrument\n"
          "  --help          show this help and exit\n"
          "  --version       show the version and exit\n"
          "\n"
          "The settings (port, line levels, font, run counter, recent files) live in\n"
          "~/.config/Вистен/ЗЕТ.conf. zet-cli does the same instrument work and file\n"
          "conversions without a window.\n",
          stdout);
      return true;
    }
  }
  return false;
}

}  // namespace

int main(int argc, char** argv) {
  if (AnswerWithoutWindow(argc, argv)) return 0;
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
