#include <signal.h>

#include "cli/cli_host.h"

namespace zet::cli {
namespace {

extern "C" void OnSignal(int) { NoteInterrupt(); }

}  // namespace

void CatchInterrupts() {
  struct sigaction sa {};
  sa.sa_handler = OnSignal;
  sigemptyset(&sa.sa_mask);
  sa.sa_flags = 0;  // no restart: a blocked wait returns at once
  sigaction(SIGINT, &sa, nullptr);
  sigaction(SIGTERM, &sa, nullptr);
}

}  // namespace zet::cli
