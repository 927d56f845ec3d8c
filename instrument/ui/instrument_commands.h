#pragma once
// The instrument commands of the main frame, each run on the user-interface
// thread with the frame as owner. The frame owns one InstrumentEnv.
#include <memory>

class QWidget;
class QDialog;

namespace zet {
class AppSettings;
class SerialChannel;
class Clock;
class Prompts;
}  // namespace zet

namespace zet::ui {

struct InstrumentEnv {
  AppSettings& settings;
  SerialChannel& channel;
  Clock& clock;
  Prompts& prompts;
  QWidget* owner;  // the main window
};

void OnProgramRecorder(InstrumentEnv& env);  // confirmation, dialog, exchange
void OnSelfTest(InstrumentEnv& env);         // progress box, outcome message
void OnPortSettings(InstrumentEnv& env);     // port dialog

// The Monitor dialog, created hidden with the frame; OnMonitorMode asks for
// confirmation and shows it. It polls every 3 s while visible.
QDialog* CreateMonitorDialog(InstrumentEnv& env, QWidget* parent);
void OnMonitorMode(InstrumentEnv& env, QDialog* monitorDialog);

}  // namespace zet::ui
