// zet-cli simulate: a simulated recorder on a pseudo-terminal.
#include <signal.h>

#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <stdexcept>

#include "cli/cli_host.h"
#include "sim/pty_simulator.h"

namespace zet::cli {
namespace {

double RateOption(const Args& args, const std::string& name) {
  auto v = args.Option(name);
  if (!v) return 0;
  // from_chars reads a decimal point whatever the process locale says.
  double d = -1;
  const char* end = v->data() + v->size();
  auto [p, ec] = std::from_chars(v->data(), end, d);
  if (ec != std::errc() || p != end || !(d >= 0 && d <= 1))
    throw UsageError("--" + name + " must be a number from 0 to 1");
  return d;
}

int Run(const Args& args) {
  args.CheckKnown({"runs", "channels", "samples", "period", "continuous", "range", "device", "seed",
                   "image", "noise", "wrong-sums", "short-block", "silent-after", "silent", "extra-byte", "hang-up-after",
                   "hang-up-after-frames",
                   "wrong-echo", "short-monitor", "selftest-result", "selftest-delay", "paced"});
  sim::ImageOptions io;
  io.runs = args.IntOption("runs", io.runs, 0, 1000);
  io.channels = ParseChannels(args.Option("channels").value_or("2")) + 1;
  io.samplesPerRun = args.IntOption("samples", io.samplesPerRun, 0, 4000000);
  io.periodCode = args.IntOption("period", io.periodCode, 0, 8);
  io.continuous = args.Flag("continuous");
  int range = ParseRange(args.Option("range").value_or("auto"));
  io.fixedRange = range >= 0;
  io.rangeCode = range < 0 ? 0 : range;
  io.device = static_cast<std::uint16_t>(args.IntOption("device", io.device, 0, 65535));
  io.seed = static_cast<std::uint32_t>(args.IntOption("seed", static_cast<int>(io.seed), 0, 1 << 30));
  if (static_cast<long long>(io.runs) * io.samplesPerRun * io.channels > 16000000)
    throw UsageError("--runs x --samples x channels must stay below 16000000 words");

  sim::Options o;
  if (auto path = args.Option("image")) {
    std::string error;
    if (!sim::LoadImageFile(*path, io, o.image, error)) {
      std::fprintf(stderr, "zet-cli simulate: %s\n", error.c_str());
      return kExitFile;
    }
  } else {
    o.image = sim::MakeSurveyImage(io);
  }
  o.faults.noiseBeforeLead = args.IntOption("noise", 0, 0, 10000);
  o.faults.wrongSumRate = RateOption(args, "wrong-sums");
  o.faults.seed = io.seed;
  o.faults.shortBlock = args.IntOption("short-block", -1, -1, 1 << 20);
  o.faults.silentAfterBlocks = args.IntOption("silent-after", -1, -1, 1 << 20);
  o.faults.silent = args.Flag("silent");
  o.faults.extraByteBlock = args.IntOption("extra-byte", -1, -1, 1 << 20);
  o.faults.hangUpAfterBlocks = args.IntOption("hang-up-after", -1, -1, 1 << 20);
  o.faults.hangUpAfterFrames = args.IntOption("hang-up-after-frames", -1, -1, 1 << 20);
  o.faults.wrongEchoReplies = args.IntOption("wrong-echo", 0, -1, 1 << 20);
  o.faults.shortMonitorData = args.Flag("short-monitor");
  if (auto r = args.Option("selftest-result"); r && *r == "none") {
    o.selfTestResult = -1;
  } else {
    o.selfTestResult = args.IntOption("selftest-result", 0, 0, 255);
  }
  o.selfTestDelayMs = args.IntOption("selftest-delay", o.selfTestDelayMs, 0, 60000);
  o.paced = args.Flag("paced");

  // The signals are taken by sigwait below; the server thread inherits the mask.
  sigset_t set;
  sigemptyset(&set);
  sigaddset(&set, SIGINT);
  sigaddset(&set, SIGTERM);
  sigaddset(&set, SIGHUP);
  pthread_sigmask(SIG_BLOCK, &set, nullptr);

  sim::PtySimulator pty;
  std::string error;
  if (!pty.Start(o, &error)) {
    std::fprintf(stderr, "zet-cli simulate: %s\n", error.c_str());
    return kExitFile;
  }
  std::printf("%s\n", pty.SlavePath().c_str());
  std::fflush(stdout);
  std::fprintf(stderr, "zet-cli simulate: recorder %u, %zu bytes of memory, serving on %s until Ctrl-C\n",
               static_cast<unsigned>(o.image.device), o.image.bytes.size(), pty.SlavePath().c_str());
  int sig = 0;
  sigwait(&set, &sig);
  pty.Stop();
  return kExitOk;
}

const bool registered = RegisterCommand(
    {"simulate", "serve a simulated recorder on a pseudo-terminal",
     "Usage: zet-cli simulate [options]\n"
     "Starts a simulated recorder on a pseudo-terminal and prints its device\n"
     "path as the first line of output; give that path to --port of the other\n"
     "commands (or choose it as the port of the desktop program). Serves until\n"
     "Ctrl-C or SIGTERM.\n\n"
     "Memory image:\n"
     "  --runs N            measurement runs (default 3)\n"
     "  --channels N        1 or 2 (default 2)\n"
     "  --samples N         samples per channel and run (default 600)\n"
     "  --period CODE       period code 0..8 (0.5 .. 120 s; default 1 = 1 s)\n"
     "  --continuous        fast sampling\n"
     "  --range R           auto (default) or a fixed range: 100, 10, 1, 0.1\n"
     "  --device N          recorder number (default 1234)\n"
     "  --seed N            varies the survey data and the wrong sums\n"
     "  --image FILE        serve this raw memory image instead (a \"data\" file)\n"
     "Faults:\n"
     "  --noise N           N stray bytes before every lead byte\n"
     "  --wrong-sums RATE   share 0..1 of blocks sent with a wrong sum byte\n"
     "  --short-block K     block K (from 0) is cut short the first time\n"
     "  --silent-after K    stop sending after K blocks\n"
     "  --silent            never answer\n"
     "  --extra-byte K      block K carries one stray byte the first time\n"
     "  --hang-up-after K   after K blocks the line is gone, as if the cable\n"
     "                      were pulled (the pseudo-terminal closes)\n"
     "  --hang-up-after-frames K  the same after answering K commands (monitor\n"
     "                      polls, a self-test, a download's read command)\n"
     "  --wrong-echo N      the first N replies carry a wrong echo (-1: all)\n"
     "  --short-monitor     monitor data cut to one byte\n"
     "Self-test and line:\n"
     "  --selftest-result B result byte 0..255, or none for no answer (default 0)\n"
     "  --selftest-delay MS how long the test takes (default 1200)\n"
     "  --paced             send at the recorder's line speed (10416 baud)\n"
     "\nExit codes: 0 stopped by a signal; 2 usage; 3 no pseudo-terminal or\n"
     "image file.\n",
     {"continuous", "silent", "short-monitor", "paced"},
     Run});

}  // namespace
}  // namespace zet::cli
