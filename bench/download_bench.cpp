// A 64 KiB memory download from the simulated recorder on a pseudo-terminal,
// paced at the line speed (11 bits per byte at 10416 baud), through the real
// POSIX device, the serial channel and the download. The time is compared
// with the floor of the transfer: 0.1 s pause per block plus the line time.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>

#include "base/settings.h"
#include "link/download.h"
#include "link/system_serial_device.h"
#include "sim/pty_simulator.h"

namespace {

class QuietPrompts : public zet::Prompts {
 public:
  zet::MsgAnswer Message(const std::string& text, const std::string&, zet::MsgButtons,
                         zet::MsgIcon) override {
    std::fprintf(stderr, "message: %s\n", text.c_str());
    return zet::MsgAnswer::Ok;
  }
  void Beep() override {}
};

class NoProgress : public zet::Progress {
 public:
  bool Open() override { return true; }
  void SetTitle(const std::string&) override {}
  void SetBarRange(int, int) override {}
  void SetBarPos(int) override {}
  void SetStatusText(const std::string&) override {}
  bool IsCancelled() override { return false; }
  void Close() override {}
};

void BM_Download64KiBPaced(benchmark::State& state) {
  zet::sim::ImageOptions io;
  io.runs = 1;
  io.channels = 2;
  io.samplesPerRun = 16384;  // 2 x 16384 words = 65536 bytes
  io.supplyEvery = 0;
  zet::sim::Options o;
  o.image = zet::sim::MakeSurveyImage(io);
  o.paced = true;
  const std::size_t bytes = o.image.bytes.size();
  const std::size_t blocks = (bytes + 511) / 512;
  const double floorSeconds = 0.1 * static_cast<double>(blocks) +
                              static_cast<double>(17 + bytes + blocks) * zet::sim::kByteTimeUs / 1e6;
  double seconds = 0;
  for (auto _ : state) {
    zet::sim::PtySimulator pty;
    std::string error;
    if (!pty.Start(o, &error)) {
      state.SkipWithError(error.c_str());
      return;
    }
    zet::MemorySettingsStore store;
    zet::AppSettings settings(store);
    settings.m_strPortName = pty.SlavePath();
    zet::SystemSerialDevice device;
    zet::SystemClock clock;
    QuietPrompts prompts;
    NoProgress progress;
    zet::SerialChannel channel(device, settings, clock, prompts);
    auto t0 = std::chrono::steady_clock::now();
    zet::DownloadResult r = zet::DownloadMemory(channel, progress, zet::RecordingHeader{}, {});
    seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    state.SetIterationTime(seconds);
    if (r.status != zet::DownloadResult::Status::Decoded || r.image.runs.empty() ||
        zet::Count(r.image.runs[0].channel1) != 16384) {
      state.SkipWithError("download failed");
      return;
    }
    pty.Stop();
  }
  state.counters["bytes"] = static_cast<double>(bytes);
  state.counters["floor_s"] = floorSeconds;
  state.counters["time_s"] = seconds;
  state.counters["ratio"] = seconds / floorSeconds;
}

BENCHMARK(BM_Download64KiBPaced)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);

}  // namespace

BENCHMARK_MAIN();
