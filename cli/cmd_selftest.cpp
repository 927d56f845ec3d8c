// zet-cli selftest: the recorder's self-test and its outcome.
#include "cli/cli_host.h"
#include "instrument/self_test.h"

namespace zet::cli {
namespace {

int Run(const Args& args) {
  args.CheckKnown(WithPortOptions({}));
  InstrumentSession s(args);
  s.prompts.toStdout = [](const std::string& text) {
    for (auto o : {SelfTestOutcome::Normal, SelfTestOutcome::RamFault, SelfTestOutcome::TimerFault,
                   SelfTestOutcome::BadCode, SelfTestOutcome::NoAnswer})
      if (text == SelfTestMessage(o)) return true;
    return false;
  };
  TerminalProgress progress(s.clock);
  CatchInterrupts();
  switch (RunSelfTest(*s.channel, progress)) {
    case SelfTestOutcome::Normal: return kExitOk;
    case SelfTestOutcome::PortFailed: return kExitFile;
    default: return kExitInstrument;
  }
}

const bool registered = RegisterCommand(
    {"selftest", "run the recorder's self-test",
     "Usage: zet-cli selftest [--port NAME] [--signals HEX] [--trace FILE]\n"
     "Starts the recorder's built-in test and waits up to 15 s for its result,\n"
     "then prints the outcome (\"Проверка прибора - норма !\" when all is well).\n"
     "Ctrl-C stops the wait.\n\n"
     "Options:\n" +
         std::string(kPortHelp) +
         "\nExit codes: 0 normal; 1 a fault, an unknown result code or no answer;\n"
         "3 a port error.\n",
     {},
     Run});

}  // namespace
}  // namespace zet::cli
