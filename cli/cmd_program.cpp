// zet-cli program: program the recorder for a measurement run.
#include <cstdio>

#include "cli/cli_host.h"
#include "instrument/program.h"

namespace zet::cli {
namespace {

int ParsePeriod(const std::string& t) {
  static const char* kCodes[] = {"0.5", "1", "2", "5", "10", "20", "30", "60", "120"};
  if (t == "continuous") return kPeriodContinuous;
  for (int i = 0; i < 9; ++i)
    if (t == kCodes[i]) return i;
  throw UsageError("--period must be continuous, 0.5, 1, 2, 5, 10, 20, 30, 60 or 120");
}

std::time_t ParseStart(const std::string& t) {
  int y, mo, d, h, mi;
  char tail;
  if (std::sscanf(t.c_str(), "%4d-%2d-%2d %2d:%2d%c", &y, &mo, &d, &h, &mi, &tail) != 5 || y < 1970 ||
      y > 2100 || mo < 1 || mo > 12 || d < 1 || d > 31 || h > 23 || h < 0 || mi < 0 || mi > 59)
    throw UsageError("--start must be \"YYYY-MM-DD HH:MM\" (a year up to 2100)");
  LocalTime lt{y, mo, d, h, mi, 0, 0};
  std::time_t s = FromLocalTime(lt);
  LocalTime back = ToLocalTime(s);
  if (back.day != d || back.month != mo) throw UsageError("--start: no such date: " + t);
  return s;
}

int Run(const Args& args) {
  args.CheckKnown(WithPortOptions({"range", "channels", "period", "start", "retries"}));
  ProgramSettings ps;
  int range = ParseRange(args.Option("range").value_or("auto"));
  ps.autoRange = range < 0;
  ps.rangeCode = range < 0 ? 0 : range;
  ps.channelCode = ParseChannels(args.Option("channels").value_or("1"));
  ps.periodCode = ParsePeriod(args.Option("period").value_or("0.5"));
  if (auto start = args.Option("start")) {
    // Continuous sampling starts by hand only, as in the program dialog.
    if (ps.periodCode == kPeriodContinuous)
      throw UsageError("--start cannot be used with --period continuous");
    ps.manualStart = false;
    ps.start = ParseStart(*start);
  }
  if (ps.periodCode == kPeriodContinuous && range >= 0)
    throw UsageError("--period continuous measures with automatic ranges only");

  InstrumentSession s(args);
  s.prompts.retries = args.IntOption("retries", 0, 0, 100);
  s.prompts.toStdout = [](const std::string& text) {
    return text.rfind("Команду принял", 0) == 0;
  };
  CatchInterrupts();
  std::time_t now = s.clock.Now();
  if (!ps.manualStart) {
    ps.start = NormalizeStartTime(ps.start, now);
    StartTimeTexts t = FormatStartTime(ps.start);
    std::printf("%s\n%s\n%s\n%s\n%s\n", t.year.c_str(), t.month.c_str(), t.day.c_str(), t.hour.c_str(),
                t.minute.c_str());
  }
  CommandFrame frame = BuildProgramFrame(ps, now);
  std::string report;
  ProgramOutcome o = RunProgram(*s.channel, frame, &report);
  if (o == ProgramOutcome::Accepted) std::printf("%s", report.c_str());
  std::fflush(stdout);
  switch (o) {
    case ProgramOutcome::Accepted: return kExitOk;
    case ProgramOutcome::Rejected: return kExitInstrument;
    case ProgramOutcome::PortFailed: break;
  }
  return kExitFile;
}

const bool registered = RegisterCommand(
    {"program", "program the recorder for a measurement run",
     "Usage: zet-cli program [--range auto|100|10|1|0.1] [--channels 1|2]\n"
     "         [--period continuous|0.5|1|2|5|10|20|30|60|120]\n"
     "         [--start \"YYYY-MM-DD HH:MM\"] [--retries N]\n"
     "         [--port NAME] [--signals HEX] [--trace FILE]\n"
     "Sends the measurement program with the PC's date and time. The data held\n"
     "in the recorder will be lost; giving the command is the confirmation.\n"
     "Prints the start time (when one is given), the outcome and the report of\n"
     "the bytes sent and received.\n\n"
     "Options:\n"
     "  --range R       auto (default) or a fixed range in volts\n"
     "  --channels N    1 (default) or 2\n"
     "  --period P      seconds between samples (default 0.5), or continuous\n"
     "                  (fast sampling, automatic ranges, manual start)\n"
     "  --start T       start at this local time instead of by hand; a time\n"
     "                  already past means one minute from now\n"
     "  --retries N     send again up to N times when the answer is wrong\n"
     "                  (default 0)\n" +
         std::string(kPortHelp) +
         "\nExit codes: 0 accepted; 1 no answer or a wrong answer; 2 usage;\n"
         "3 a port error.\n",
     {},
     Run});

}  // namespace
}  // namespace zet::cli
