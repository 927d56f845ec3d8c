#pragma once
// The application: settings, the one document and the main frame, the
// command line, and the application's own commands (About, page setup).
#include <QStringList>
#include <memory>

#include "base/host.h"
#include "base/settings.h"
#include "app/commands.h"
#include "app/file_chooser.h"

class InstrumentSession;
class QPrinter;

namespace zet {
class QtSettingsStore;
}

namespace zet::ui {

class CLogDoc;
class CMainFrame;

class CLogApp : public CommandTarget {
 public:
  // Null prompts or chooser: message boxes and file dialogs of Qt.
  explicit CLogApp(Prompts* prompts = nullptr, FileChooser* files = nullptr);
  ~CLogApp() override;

  // Start-up with the program's arguments (without the program name):
  // "--simulator" and an optional file to open. 0 when the program should
  // run on; otherwise the exit code (the reason was shown).
  int InitInstance(const QStringList& arguments);

  bool OnUpdate(int id, CommandState& state) override;
  bool OnCommand(int id) override;
  void OnAppAbout();
  void OnFilePageSetup();

  AppSettings& Settings() { return m_settings; }
  CLogDoc& Doc() { return *m_doc; }
  CMainFrame* Frame() { return m_frame.get(); }
  InstrumentSession& Session() { return *m_session; }

 private:
  std::unique_ptr<QtSettingsStore> m_store;
  AppSettings m_settings;
  std::unique_ptr<Prompts> m_ownPrompts;
  std::unique_ptr<FileChooser> m_ownFiles;
  Prompts& m_prompts;
  FileChooser& m_files;
  std::unique_ptr<QPrinter> m_printer;
  std::unique_ptr<InstrumentSession> m_session;
  std::unique_ptr<CLogDoc> m_doc;
  std::unique_ptr<CMainFrame> m_frame;
};

}  // namespace zet::ui
