// zet-cli monitor: live readings every 3 s.
#include <cstdio>

#include "cli/cli_host.h"
#include "instrument/monitor.h"

namespace zet::cli {
namespace {

constexpr int kPollMs = 3000;

int Run(const Args& args) {
  args.CheckKnown(WithPortOptions({"range", "channels", "count"}));
  MonitorSettings ms;
  int range = ParseRange(args.Option("range").value_or("auto"));
  ms.autoRange = range < 0;
  ms.rangeCode = range < 0 ? 0 : range;
  ms.channelCode = ParseChannels(args.Option("channels").value_or("1"));
  const int count = args.IntOption("count", 0, 0, 1000000);  // 0: until Ctrl-C

  InstrumentSession s(args);
  CatchInterrupts();
  std::string value1, value2;
  MonitorPoll::Kind last = MonitorPoll::Kind::NoAnswer;
  for (int i = 0; count == 0 || i < count; ++i) {
    const std::int64_t t0 = s.clock.MonotonicMs();
    MonitorPoll p = PollMonitor(*s.channel, ms, false);
    last = p.kind;
    if (p.kind == MonitorPoll::Kind::PortFailed) break;
    if (p.valuesChanged) {
      value1 = p.value1;
      value2 = p.value2;
    }
    std::printf("%s\t%s\t%s\t%s\n", value1.c_str(), value2.c_str(), p.status.c_str(), p.raw.c_str());
    std::fflush(stdout);
    if (Interrupted()) break;
    if (count != 0 && i + 1 == count) break;
    const std::int64_t spent = s.clock.MonotonicMs() - t0;
    if (spent < kPollMs && !SleepInterruptibly(s.clock, static_cast<int>(kPollMs - spent))) break;
  }
  s.channel->ClosePort();
  switch (last) {
    case MonitorPoll::Kind::Data: return kExitOk;
    case MonitorPoll::Kind::PortFailed: return kExitFile;
    default: return kExitInstrument;
  }
}

const bool registered = RegisterCommand(
    {"monitor", "show live readings of the recorder",
     "Usage: zet-cli monitor [--channels 1|2] [--range auto|100|10|1|0.1]\n"
     "         [--count N] [--port NAME] [--signals HEX] [--trace FILE]\n"
     "Polls the recorder every 3 s and prints one line per poll: channel 1,\n"
     "channel 2, the status and the raw bytes of the exchange, separated by\n"
     "tabs. After a wrong answer the last good values are repeated; after no\n"
     "answer the values are empty. The data held in the recorder will be lost;\n"
     "giving the command is the confirmation.\n\n"
     "Options:\n"
     "  --channels N    1 (default) or 2\n"
     "  --range R       auto (default) or a fixed range in volts\n"
     "  --count N       stop after N polls (default: until Ctrl-C)\n" +
         std::string(kPortHelp) +
         "\nExit codes: 0 the last poll got readings; 1 it got no or a wrong\n"
         "answer; 2 usage; 3 a port error.\n",
     {},
     Run});

}  // namespace
}  // namespace zet::cli
