#pragma once
// Command identifiers, the one command table the menus, toolbar and
// accelerators are built from, and the routing interface of command targets.
#include <QString>
#include <QStringList>
#include <vector>

namespace zet::ui {

enum CommandId : int {
  ID_FILE_NEW = 57600,
  ID_FILE_OPEN = 57601,
  ID_FILE_SAVE = 57603,
  ID_FILE_SAVE_AS = 57604,
  ID_FILE_PAGE_SETUP = 57605,
  ID_FILE_PRINT = 57607,
  ID_FILE_PRINT_PREVIEW = 57609,
  ID_FILE_MRU_FILE1 = 57616,  // .. 57625
  ID_APP_ABOUT = 57664,
  ID_APP_EXIT = 57665,
  ID_HELP_FINDER = 57667,
  ID_VIEW_STATUS_BAR = 59393,

  ID_PORT_SETTINGS = 32771,
  ID_PROGRAM_RECORDER = 32772,
  ID_GET_DATA = 32773,
  ID_COLOR_CHANNEL1 = 32775,
  ID_COLOR_CHANNEL2 = 32776,
  ID_INITIAL_VIEW = 32777,
  ID_CHANNEL1 = 32778,
  ID_CHANNEL2 = 32779,
  ID_GRID = 32782,
  ID_STRETCH_TIME = 32786,
  ID_SHRINK_TIME = 32787,
  ID_STRETCH_VALUES = 32788,
  ID_SHRINK_VALUES = 32789,
  ID_CURRENT_VALUES = 32798,
  ID_FONT = 32801,
  ID_SUPPLY_VOLTAGE = 32803,
  ID_MONITOR_MODE = 32804,
  ID_SELF_TEST = 32805,
  ID_FILTER = 32808,
  ID_VIEW_STRAY_CURRENTS = 32810,
  ID_VIEW_GRAPH = 32811,
  ID_DOTS = 32812,
  ID_RAW_DATA_FILE = 32813,
  ID_EXPORT_EXCEL = 32814,
  ID_SHUNT_CURRENT = 32817,
  ID_LIMIT_COARSER = 32819,
  ID_LIMIT_FINER = 32820,
  ID_SPAN_STATISTICS = 32840,  // the chart's span statistics (menu only)
  ID_ANALYSIS = 32841,         // the survey assessment window
  ID_FIT_LIMIT = 32842,        // the finest limit holding the shown samples

  // status panes
  ID_INDICATOR_CHANNELS = 32780,
  ID_INDICATOR_DEVICE = 32781,
  ID_INDICATOR_INTERVAL = 32785,
  ID_INDICATOR_DATE = 32827,
  ID_INDICATOR_TIME = 32828,
};

inline constexpr int kRecentFileCount = 10;

struct CommandInfo {
  int id;
  const char* menu;      // "Файл", "Вид", ...; nullptr for entries outside the menus
  const char* text;      // menu text
  const char* prompt;    // status-bar prompt, "" for none
  const char* tooltip;   // toolbar tooltip, "" for none
  const char* shortcut;  // QKeySequence text, "" for none
  const char* icon;      // resource path of the toolbar image, "" for none
  bool checkable;
  bool separatorBefore;  // a menu separator precedes the entry
};

// Every command in menu order.
const std::vector<CommandInfo>& CommandTable();
const CommandInfo* FindCommand(int id);
// The menus in their order on the menu bar.
const std::vector<const char*>& MenuTitles();
// The same with their Alt keys marked: each menu takes the first letter of
// its title that no menu before it took ("&Файл", ..., "О&пции").
QStringList MenuBarTexts();
// Commands whose keys act only while the chart or the diagram has the focus,
// so that the comment pane keeps them for its text (Ctrl+arrows).
const std::vector<int>& PaneShortcutCommands();
// The toolbar's entries; 0 is a separator.
const std::vector<int>& ToolbarButtons();

// The state an update pass asks of a command's owner.
struct CommandState {
  bool enabled = true;
  bool checked = false;
};

// A link of the routing chain (active view, document, frame, application).
// OnUpdate: return true when this target owns the command and fill the state.
// OnCommand: return true when this target carried the command out.
class CommandTarget {
 public:
  virtual ~CommandTarget() = default;
  virtual bool OnUpdate(int id, CommandState& state) = 0;
  virtual bool OnCommand(int id) = 0;
};

inline QString Qs(const char* utf8) { return QString::fromUtf8(utf8); }

}  // namespace zet::ui
