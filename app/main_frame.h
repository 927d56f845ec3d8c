#pragma once
// The main window: menus, toolbar and status bar built from the command
// table, command routing (active view, document, frame, application), the
// splitter with the chart or the diagram above the comment pane, and the
// instrument commands.
#include <QColor>
#include <QMainWindow>
#include <QPointer>
#include <functional>
#include <map>
#include <memory>

#include "base/host.h"
#include "base/settings.h"
#include "app/commands.h"
#include "app/file_chooser.h"
#include "instrument/ui/instrument_commands.h"

class QFontMetrics;
class QLabel;
class QPlainTextEdit;
class QPrinter;
class QSplitter;
class QStackedWidget;
class QTextBrowser;
class QTimer;
class QToolBar;

namespace zet {
class SerialChannel;
}

namespace zet::ui {

class CLogDoc;
class CLogView;
class CWalkingView;

// The instrument entry points; the program wires the real ones.
struct InstrumentHooks {
  std::function<void(InstrumentEnv&)> programRecorder;
  std::function<void(InstrumentEnv&)> selfTest;
  std::function<void(InstrumentEnv&)> portSettings;
  std::function<QDialog*(InstrumentEnv&, QWidget* parent)> createMonitor;
  std::function<void(InstrumentEnv&, QDialog*)> monitorMode;
};

struct FrameEnv {
  AppSettings& settings;
  Prompts& prompts;
  FileChooser& files;
  SerialChannel& channel;
  Clock& clock;
  std::function<std::unique_ptr<Progress>(QWidget* owner)> makeProgress;
  InstrumentHooks hooks;
  QPrinter* printer = nullptr;  // the application's printer (page setup); null: the frame's own
};

// A printer as the program starts with it: full resolution, landscape (the
// chart is wider than high) until the user chooses otherwise in the page setup.
std::unique_ptr<QPrinter> NewPrinter();

// A recent file as its menu item shows it: at most about this many characters.
inline constexpr int kRecentFileMenuChars = 60;
QString RecentFileMenuText(const QString& path, const QFontMetrics& metrics);

class CMainFrame : public QMainWindow, public CommandTarget {
  Q_OBJECT
 public:
  CMainFrame(CLogDoc& doc, FrameEnv env);
  ~CMainFrame() override;

  // The last link of the routing chain (the application).
  void SetAppTarget(CommandTarget* app) { m_pApp = app; }

  // Routing. RouteCommand carries the command out when its owner enables it.
  bool RouteCommand(int id);
  bool RouteUpdate(int id, CommandState& state);
  // The one update pass: every action's enabled/checked state, the toolbar
  // and the status panes.
  void UpdateCommandStates();

  bool OnUpdate(int id, CommandState& state) override;
  bool OnCommand(int id) override;

  void OnViewGraph();
  void OnViewStrayCurrents();
  void OnGetData();
  void OnHelp();
  void OnNextPane();  // F6, Shift+F6
  void PrintActiveView(QPrinter& printer);
  QPrinter& Printer();  // the one print, preview and page setup use

  // Inspection (tests and the update pass).
  QAction* MenuAction(int id) const;
  QAction* ToolbarAction(int id) const;  // nullptr when the toolbar has no such button
  QString PaneText(int pane) const;      // 0..5
  int PaneWidth(int pane) const;
  bool IsDiagramMode() const { return m_bDiagramMode; }
  CommandTarget* ActiveView() const;
  CLogView* LogView() const { return m_pLogView; }
  CWalkingView* WalkingView() const { return m_pWalkingView; }
  QPlainTextEdit* CommentView() const { return m_pCommentView; }
  QSplitter* Splitter() const { return m_pSplitter; }
  QDialog* MonitorDialog() const { return m_pMonitorDialog; }
  QToolBar* ToolBar() const { return m_pToolBar; }
  InstrumentEnv& Instrument() { return m_instrument; }

 protected:
  bool event(QEvent* e) override;
  void dragEnterEvent(QDragEnterEvent* e) override;
  void dropEvent(QDropEvent* e) override;
  void closeEvent(QCloseEvent* e) override;
  bool eventFilter(QObject* watched, QEvent* e) override;

 private:
  void CreateActions();
  void CreateMenus();
  void CreateToolBar();
  void CreateStatusBar();
  void CreateClient();
  void UpdateStatusPanes();
  void UpdateRecentFileActions();
  void SetToolbarButtonVisible(int id, bool visible);
  void UpdateChannelIcons();
  void SwitchView(bool diagram);
  void OnInitMenuPopup();
  void OnMenuClosed();
  void LayoutSplitter();
  void OnFilePrint();
  void OnFilePrintPreview();

  CLogDoc& m_doc;
  std::unique_ptr<QPrinter> m_pOwnPrinter;  // when the application lends none
  FrameEnv m_env;
  InstrumentEnv m_instrument;
  CommandTarget* m_pApp = nullptr;

  QDialog* m_pMonitorDialog = nullptr;
  QSplitter* m_pSplitter = nullptr;
  QStackedWidget* m_pUpperPane = nullptr;
  CLogView* m_pLogView = nullptr;
  CWalkingView* m_pWalkingView = nullptr;
  QPlainTextEdit* m_pCommentView = nullptr;
  QToolBar* m_pToolBar = nullptr;
  QLabel* m_pPanes[6] = {};
  QTimer* m_pTimer = nullptr;
  QPointer<QTextBrowser> m_pHelpWindow;
  std::map<int, QAction*> m_menuActions;
  std::map<int, QAction*> m_toolActions;
  bool m_bDiagramMode = false;
  int m_nSavedPromptWidth = -1;  // -1: nothing saved
  int m_nChartIdealHeight = 0;   // the chart row's ideal height in the splitter
  QColor m_crChannelIcon[2];     // the colours the channel buttons show
};

}  // namespace zet::ui
