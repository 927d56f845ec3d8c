#include "instrument/ui/instrument_commands.h"

#include <QDialog>

#include "base/host.h"
#include "app/busy_cursor.h"
#include "instrument/program.h"
#include "instrument/self_test.h"
#include "instrument/ui/monitor_dialog.h"
#include "instrument/ui/program_dialog.h"
#include "link/serial_channel.h"
#include "link/ui/port_dialog.h"
#include "link/ui/progress_box.h"

namespace zet::ui {

void OnProgramRecorder(InstrumentEnv& env) {
  if (env.prompts.Message("Данные, имеющиеся в приборе, будут уничтожены!\nПродолжать?", "Внимание!",
                          MsgButtons::YesNo, MsgIcon::Exclamation) != MsgAnswer::Yes)
    return;
  CProgramDialog dlg(env.clock, env.owner);
  if (dlg.exec() != QDialog::Accepted) return;
  const BusyCursor busy;
  RunProgram(env.channel, BuildProgramFrame(dlg.Settings(), env.clock.Now()));
}

void OnSelfTest(InstrumentEnv& env) {
  const BusyCursor busy;  // until the progress box is up
  CProgressBox box(env.owner);
  RunSelfTest(env.channel, box);
}

void OnPortSettings(InstrumentEnv& env) {
  CPortDlg dlg(env.settings, env.owner);
  dlg.exec();
}

QDialog* CreateMonitorDialog(InstrumentEnv& env, QWidget* parent) { return new CMonitorDialog(env, parent); }

void OnMonitorMode(InstrumentEnv& env, QDialog* monitorDialog) {
  if (!monitorDialog) return;
  if (env.prompts.Message("Данные, имеющиеся в приборе, будут уничтожены !\nПродолжать ?", "Внимание !",
                          MsgButtons::YesNo, MsgIcon::Exclamation) != MsgAnswer::Yes)
    return;
  monitorDialog->show();
  monitorDialog->activateWindow();
}

}  // namespace zet::ui
