// Throughput of the recording core on a full recorder memory and on large
// recordings: decoding, .zet read/write, filter, export.
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "recording/download_decode.h"
#include "recording/export.h"
#include "recording/log_document.h"
#include "recording/zet_file.h"

namespace zet {
namespace {

constexpr std::size_t kFullWords = std::size_t{1} << 24;
constexpr int kBig = 8 * 1024 * 1024;

// A two-channel image of survey-like words with a supply word every 64 and a
// run marker every million words.
std::vector<std::uint8_t> FullImage() {
  std::vector<std::uint8_t> img;
  img.reserve(kFullWords * 2 + 64);
  std::mt19937 rng(1);
  for (std::size_t k = 0; k < kFullWords; ++k) {
    std::uint16_t w;
    if (k % 64 == 63)
      w = static_cast<std::uint16_t>(0x8000 | (rng() & 0x3FF));
    else
      w = static_cast<std::uint16_t>(((k / 4096) % 4) << 12 | (rng() & 0x3FF));
    if (k % 1000000 == 999999) w |= 0x4000;
    img.push_back(static_cast<std::uint8_t>(w));
    img.push_back(static_cast<std::uint8_t>(w >> 8));
    if (w & 0x4000) img.insert(img.end(), {0x30, 0x12, 0x15, 0x06});
  }
  return img;
}

Recording BigRecording(int n) {
  Recording rec;
  rec.header.nDevice = 1;
  rec.header.bDateKnown = 1;
  rec.header.nYear = 2024;
  rec.header.nMonth = 3;
  rec.header.nDay = 5;
  rec.header.dPeriod = 0.5;
  rec.header.nChannels = 2;
  rec.header.dMaxRange = 10;
  std::mt19937 rng(2);
  std::vector<float> a(static_cast<std::size_t>(n)), b(static_cast<std::size_t>(n));
  for (int i = 0; i < n; ++i) {
    a[static_cast<std::size_t>(i)] = ChannelVolts(static_cast<std::uint16_t>(0x1000 | (rng() & 0x3FF)));
    b[static_cast<std::size_t>(i)] = ChannelVolts(static_cast<std::uint16_t>(0x2000 | (rng() & 0x3FF)));
  }
  rec.channel1 = std::move(a);
  rec.channel2 = std::move(b);
  rec.supply = std::vector<float>(static_cast<std::size_t>(n / 64), 5.0f);
  rec.comment = "Комментарий";
  return rec;
}

void BM_DecodeFullImage(benchmark::State& state) {
  const auto img = FullImage();
  RecordingHeader h;
  h.nChannels = 2;
  h.dPeriod = 0.5;
  for (auto _ : state) {
    DecodedImage d = DecodeImage(img.data(), img.size(), h, 1, 2025);
    benchmark::DoNotOptimize(d.runs.data());
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * static_cast<std::int64_t>(img.size()));
}
BENCHMARK(BM_DecodeFullImage)->Unit(benchmark::kMillisecond);

void BM_ZetEncodeInMemory(benchmark::State& state) {
  const Recording rec = BigRecording(kBig);
  std::size_t size = 0;
  for (auto _ : state) {
    auto bytes = EncodeZet(rec);
    size = bytes.size();
    benchmark::DoNotOptimize(bytes.data());
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * size));
}
BENCHMARK(BM_ZetEncodeInMemory)->Unit(benchmark::kMillisecond);

void BM_ZetDecodeInMemory(benchmark::State& state) {
  const auto bytes = EncodeZet(BigRecording(kBig));
  for (auto _ : state) {
    ZetReadResult r = DecodeZet(bytes.data(), bytes.size());
    benchmark::DoNotOptimize(r.recording.channel1->data());
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes.size()));
}
BENCHMARK(BM_ZetDecodeInMemory)->Unit(benchmark::kMillisecond);

std::string TempPath(const char* name) { return "/tmp/zet-bench-" + std::to_string(getpid()) + name; }

void BM_ZetWriteFile(benchmark::State& state) {
  const Recording rec = BigRecording(kBig);
  const std::string path = TempPath(".zet");
  for (auto _ : state) {
    if (!WriteZetFile(path, rec).empty()) state.SkipWithError("write failed");
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * EncodeZet(rec).size()));
  std::remove(path.c_str());
}
BENCHMARK(BM_ZetWriteFile)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_ZetReadFile(benchmark::State& state) {
  const std::string path = TempPath(".zet");
  const Recording rec = BigRecording(kBig);
  WriteZetFile(path, rec);
  const std::size_t size = EncodeZet(rec).size();
  for (auto _ : state) {
    ZetReadResult r = ReadZetFile(path);
    if (r.status != ZetStatus::Ok) state.SkipWithError("read failed");
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * size));
  std::remove(path.c_str());
}
BENCHMARK(BM_ZetReadFile)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_Filter8M(benchmark::State& state) {
  const Recording rec = BigRecording(kBig);
  std::vector<float> data;
  for (auto _ : state) {
    state.PauseTiming();
    data = *rec.channel1;
    state.ResumeTiming();
    FilterChannel(data.data(), kBig, state.range(0) != 0);
    benchmark::DoNotOptimize(data.data());
  }
}
BENCHMARK(BM_Filter8M)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

constexpr int kExportRows = 1000000;

LogDocument ExportDoc() {
  LogDocument doc;
  doc.SetRecording(BigRecording(kExportRows));
  return doc;
}

void BM_ExportFile(benchmark::State& state) {
  setenv("TZ", "Europe/Berlin", 1);
  tzset();
  const LogDocument doc = ExportDoc();
  const std::string path = TempPath(".xls");
  for (auto _ : state) {
    if (!ExportSpreadsheet(doc, path).empty()) state.SkipWithError("export failed");
  }
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()) * kExportRows);
  std::remove(path.c_str());
}
BENCHMARK(BM_ExportFile)->Unit(benchmark::kMillisecond)->UseRealTime();

// The plain way: one fprintf per line through a buffered FILE.
void BM_ExportFprintfLoop(benchmark::State& state) {
  setenv("TZ", "Europe/Berlin", 1);
  tzset();
  const LogDocument doc = ExportDoc();
  const std::string path = TempPath("-printf.xls");
  for (auto _ : state) {
    FILE* f = std::fopen(path.c_str(), "wb");
    const auto& a = *doc.m_pChannel1;
    const auto& b = *doc.m_pChannel2;
    for (int i = 0; i < kExportRows; ++i)
      std::fprintf(f, "%s\t%f\t%f\n", doc.GetTimeText(i).c_str(), static_cast<double>(a[static_cast<std::size_t>(i)]),
                   static_cast<double>(b[static_cast<std::size_t>(i)]));
    std::fclose(f);
  }
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()) * kExportRows);
  std::remove(path.c_str());
}
BENCHMARK(BM_ExportFprintfLoop)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
}  // namespace zet

BENCHMARK_MAIN();
