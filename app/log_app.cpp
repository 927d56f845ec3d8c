#include "app/log_app.h"

#include <QFileInfo>
#include <QPageSetupDialog>
#include <QPrinter>
#include <QScreen>
#include <QGuiApplication>

#include "app/about_dlg.h"
#include "app/main_frame.h"
#include "app/qt_prompts.h"
#include "base/qt/qt_settings_store.h"
#include "chart/draw/chart_painter.h"
#include "instrument/ui/instrument_commands.h"
#include "link/ui/instrument_session.h"
#include "link/ui/progress_box.h"
#include "recording/ui/log_doc.h"

namespace zet::ui {

CLogApp::CLogApp(Prompts* prompts, FileChooser* files)
    : m_store(std::make_unique<QtSettingsStore>()),
      m_settings(*m_store),
      m_prompts(prompts ? *prompts : *(m_ownPrompts = std::make_unique<QtPrompts>())),
      m_files(files ? *files : *(m_ownFiles = std::make_unique<QtFileChooser>())) {
  m_settings.m_rcMargins = Margins{};  // this run's margins start at the defaults
}

CLogApp::~CLogApp() {
  m_frame.reset();
  m_doc.reset();
  m_session.reset();
}

int CLogApp::InitInstance(const QStringList& arguments) {
  bool simulator = false;
  QString file;
  for (const QString& a : arguments) {
    if (a == QStringLiteral("--simulator"))
      simulator = true;
    else if (!a.startsWith('-') && file.isEmpty())
      file = a;
  }

  m_session = std::make_unique<InstrumentSession>(m_settings, m_prompts);
  m_doc = std::make_unique<CLogDoc>(m_settings, m_prompts, m_files);
  m_settings.GetPortName();
  m_settings.GetBaudRate();
  m_settings.GetSignals();
  // Before the frame takes the line to the recorder: the simulator may be that line.
  std::string simulatorError;
  const bool simulatorFailed = simulator && !m_session->StartSimulator(&simulatorError);

  FrameEnv env{m_settings, m_prompts, m_files, m_session->Channel(), m_session->GetClock(),
               [](QWidget* owner) -> std::unique_ptr<Progress> { return std::make_unique<CProgressBox>(owner); },
               InstrumentHooks{}};
  env.hooks.programRecorder = [](InstrumentEnv& e) { OnProgramRecorder(e); };
  env.hooks.selfTest = [](InstrumentEnv& e) { OnSelfTest(e); };
  env.hooks.portSettings = [](InstrumentEnv& e) { OnPortSettings(e); };
  env.hooks.createMonitor = [](InstrumentEnv& e, QWidget* parent) { return CreateMonitorDialog(e, parent); };
  env.hooks.monitorMode = [](InstrumentEnv& e, QDialog* d) { OnMonitorMode(e, d); };
  m_printer = NewPrinter();
  env.printer = m_printer.get();
  m_frame = std::make_unique<CMainFrame>(*m_doc, std::move(env));
  m_frame->SetAppTarget(this);
  if (auto* qtPrompts = dynamic_cast<QtPrompts*>(&m_prompts)) qtPrompts->SetOwner(m_frame.get());
  if (auto* qtFiles = dynamic_cast<QtFileChooser*>(&m_files)) qtFiles->SetOwner(m_frame.get());

  // The command line: an empty document, or the named file.
  m_doc->OnNewDocument();
  if (!file.isEmpty() && !m_doc->OnOpenDocument(file)) return 1;

  if (simulatorFailed)
    m_prompts.Message("Не удалось запустить имитатор Регистратора.\n" + simulatorError, kAppTitle, MsgButtons::Ok,
                      MsgIcon::Exclamation);
  m_frame->UpdateCommandStates();
  // Without a window manager a maximise request does nothing: fill the screen first.
  if (QScreen* screen = QGuiApplication::primaryScreen()) m_frame->setGeometry(screen->availableGeometry());
  m_frame->showMaximized();
  return 0;
}

bool CLogApp::OnUpdate(int id, CommandState&) {
  switch (id) {
    case ID_APP_ABOUT:
    case ID_FILE_PAGE_SETUP: return true;
    default: return false;
  }
}

bool CLogApp::OnCommand(int id) {
  switch (id) {
    case ID_APP_ABOUT: OnAppAbout(); return true;
    case ID_FILE_PAGE_SETUP: OnFilePageSetup(); return true;
    default: return false;
  }
}

void CLogApp::OnAppAbout() {
  CAboutDlg dlg(m_frame.get());
  dlg.exec();
}

void CLogApp::OnFilePageSetup() {
  m_printer->setPageMargins(MarginsMm(m_settings.m_rcMargins), QPageLayout::Millimeter);
  QPageSetupDialog dialog(m_printer.get(), m_frame.get());
  if (dialog.exec() != QDialog::Accepted) return;
  // Kept for this run only.
  const QMarginsF chosen = m_printer->pageLayout().margins(QPageLayout::Millimeter);
  m_settings.m_rcMargins = Margins{static_cast<int>(chosen.left() * 100 + 0.5),
                                   static_cast<int>(chosen.top() * 100 + 0.5),
                                   static_cast<int>(chosen.right() * 100 + 0.5),
                                   static_cast<int>(chosen.bottom() * 100 + 0.5)};
}

}  // namespace zet::ui
