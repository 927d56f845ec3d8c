#include <windows.h>

#include "cli/cli_host.h"
#include "link/system_serial_device.h"

namespace zet::cli {
namespace {

// Runs on a thread of its own: notes the interrupt and ends a wait on the
// port, which would otherwise run out its time-out first.
BOOL WINAPI OnConsoleControl(DWORD event) {
  if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT) return FALSE;  // closing: end as usual
  NoteInterrupt();
  CancelSerialWaits();
  return TRUE;
}

}  // namespace

void CatchInterrupts() { SetConsoleCtrlHandler(OnConsoleControl, TRUE); }

}  // namespace zet::cli
