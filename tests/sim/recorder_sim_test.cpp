// The recorder model as the program sees it on the line.
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <numeric>

#include <gtest/gtest.h>

#include "sim/recorder_sim.h"
#include "sim/sim_serial_device.h"
#include "support/fakes.h"
#include "support/temp_dir.h"

namespace zet::sim {
namespace {

using Bytes = std::vector<std::uint8_t>;

Options SmallImage(int runs = 2, int channels = 2, int samples = 300) {
  Options o;
  ImageOptions io;
  io.runs = runs;
  io.channels = channels;
  io.samplesPerRun = samples;
  o.image = MakeSurveyImage(io);
  return o;
}

struct Line {
  explicit Line(Options o) : sim(std::move(o)), dev(sim, clock) { dev.Open("COM2:"); }
  void Send(Bytes b) { dev.Write(b.data(), b.size()); }
  Bytes Read(std::size_t n) {
    Bytes b(n);
    b.resize(dev.Read(b.data(), n));
    return b;
  }
  testing::VirtualClock clock;
  RecorderSim sim;
  SimSerialDevice dev;
};

std::uint8_t Sum(const std::uint8_t* p, std::size_t n) {
  return static_cast<std::uint8_t>(std::accumulate(p, p + n, 0u));
}

const Bytes kReadMemory(11, 0);

// Downloads the whole image the way the program does; returns the bytes accepted.
Bytes Download(Line& l, int* refused = nullptr) {
  l.Send(kReadMemory);
  Bytes pre = l.Read(17);
  EXPECT_EQ(pre.size(), 17u);
  std::size_t len = 2 * (pre[1] | pre[2] << 8 | pre[3] << 16);
  Bytes image;
  while (image.size() < len) {
    std::size_t want = std::min<std::size_t>(512, len - image.size());
    Bytes block = l.Read(want);
    Bytes sum = l.Read(1);
    bool ok = block.size() == want && sum.size() == 1 && Sum(block.data(), block.size()) == sum[0];
    l.Send({static_cast<std::uint8_t>(ok ? 0x00 : 0x01)});
    if (ok) {
      image.insert(image.end(), block.begin(), block.end());
    } else if (refused) {
      ++*refused;
    }
  }
  return image;
}

TEST(RecorderSim, PreambleDescribesTheImageAndCarriesItsSum) {
  Options o = SmallImage(2, 2, 300);
  o.image.device = 300;
  Line l(o);
  l.Send(kReadMemory);
  Bytes p = l.Read(17);
  ASSERT_EQ(p.size(), 17u);
  EXPECT_EQ(p[0], 0x00);
  EXPECT_EQ(std::size_t(p[1] | p[2] << 8 | p[3] << 16) * 2, o.image.bytes.size());
  EXPECT_EQ(p[5], o.image.mode);
  EXPECT_EQ(p[5] & 0x10, 0x10);  // two channels
  EXPECT_EQ(p[14], 0x01);
  EXPECT_EQ(p[15], 0x2C);
  EXPECT_EQ(p[16], Sum(p.data(), 16));
}

TEST(RecorderSim, BlocksFollowAcknowledgementsAndRepeatOnRequest) {
  Options o = SmallImage(1, 1, 700);  // 1400+ bytes: three blocks
  Line l(o);
  l.Send(kReadMemory);
  l.Read(17);
  Bytes first = l.Read(512);
  Bytes sum = l.Read(1);
  ASSERT_EQ(sum.size(), 1u);
  EXPECT_EQ(sum[0], Sum(first.data(), 512));
  // Nothing more until the program answers.
  EXPECT_EQ(l.Read(1).size(), 0u);
  l.Send({0x01});
  EXPECT_EQ(l.Read(512), first);
  l.Read(1);
  l.Send({0x00});
  Bytes second = l.Read(512);
  EXPECT_TRUE(std::equal(second.begin(), second.end(), o.image.bytes.begin() + 512));
}

TEST(RecorderSim, FaultsStillLetACarefulReaderGetTheExactImage) {
  Options o = SmallImage(3, 2, 500);
  o.faults.noiseBeforeLead = 5;
  o.faults.wrongSumRate = 0.3;
  o.faults.shortBlock = 2;
  Line l(o);
  l.Send(kReadMemory);
  // The stray bytes are not zero, so the lead byte is found after them.
  Bytes noise = l.Read(5);
  for (auto b : noise) EXPECT_NE(b, 0x00);
  // Replay without the noise: the same image comes again on a fresh line.
  Options o2 = o;
  o2.faults.noiseBeforeLead = 0;
  Line l2(o2);
  int refused = 0;
  EXPECT_EQ(Download(l2, &refused), o.image.bytes);
  EXPECT_GE(refused, 2);  // the short block and at least one wrong sum
}

TEST(RecorderSim, SilentAfterSomeBlocksCostsOnlyVirtualTime) {
  Options o = SmallImage(2, 2, 600);
  o.faults.silentAfterBlocks = 1;
  Line l(o);
  l.Send(kReadMemory);
  l.Read(17);
  l.Read(513);
  l.Send({0x00});
  auto before = l.clock.MonotonicMs();
  auto realStart = std::chrono::steady_clock::now();
  EXPECT_EQ(l.Read(512).size(), 0u);
  EXPECT_EQ(l.clock.MonotonicMs() - before, 5000 + 10 * 512);
  EXPECT_LT(std::chrono::steady_clock::now() - realStart, std::chrono::seconds(1));
}

TEST(SimSerialDevice, PartialReadEndsAfterTwoSecondsOfSilence) {
  Options o = SmallImage();
  Line l(o);
  l.Send({0x00, 0x80, 0x12, 1, 2, 3, 4, 5, 6, 7, 8});
  auto before = l.clock.MonotonicMs();
  EXPECT_EQ(l.Read(20).size(), 14u);
  EXPECT_EQ(l.clock.MonotonicMs() - before, 2000);
}

TEST(SimSerialDevice, OpenCanFailAndPurgeDropsArrivedBytes) {
  Options o = SmallImage();
  testing::VirtualClock clock;
  RecorderSim sim(o);
  SimSerialDevice dev(sim, clock);
  dev.failOpen = true;
  EXPECT_FALSE(dev.Open("COM3:"));
  EXPECT_NE(dev.LastError(), 0);
  dev.failOpen = false;
  ASSERT_TRUE(dev.Open("COM3:"));
  Bytes f = {0x00, 0x80, 0x12, 1, 2, 3, 4, 5, 6, 7, 8};
  dev.Write(f.data(), f.size());
  dev.Purge();
  std::uint8_t b;
  EXPECT_EQ(dev.Read(&b, 1), 0u);
}

TEST(RecorderSim, ProgramReplyEchoesAndNamesTheRecorder) {
  Options o = SmallImage();
  o.image.device = 0x012C;
  o.faults.wrongEchoReplies = 1;
  Line l(o);
  Bytes f = {0x00, 0x81, 0xF4, 0x59, 0x23, 0xF1, 0x12, 0x00, 0x10, 0x15, 0x06};
  l.Send(f);
  Bytes bad = l.Read(14);
  ASSERT_EQ(bad.size(), 14u);
  EXPECT_FALSE(std::equal(f.begin(), f.begin() + 10, bad.begin()));
  l.Send(f);
  Bytes good = l.Read(14);
  ASSERT_EQ(good.size(), 14u);
  EXPECT_TRUE(std::equal(f.begin(), f.begin() + 10, good.begin()));
  EXPECT_EQ(good[11] << 8 | good[12], 300);
  EXPECT_EQ(l.sim.ProgrammedMode(), 0xF4);
}

TEST(RecorderSim, MonitorSendsOneWordPerChannelInTheAskedRange) {
  Line l(SmallImage());
  // Fixed 1 V, two channels.
  l.Send({0x00, 0xA0, 0xD0, 0x30, 0x10, 0x14, 0x45, 0x30, 0x10, 0x14, 0x45});
  Bytes r = l.Read(14 + 4);
  ASSERT_EQ(r.size(), 18u);
  for (int c = 0; c < 2; ++c) {
    std::uint16_t w = r[14 + 2 * c] << 8 | r[15 + 2 * c];
    EXPECT_EQ((w >> 12) & 3, 2) << c;
    EXPECT_EQ(w & 0xC000, 0);
  }
  // Automatic, one channel: only two data bytes come.
  l.Send({0x00, 0xA0, 0x00, 0x30, 0x10, 0x14, 0x45, 0x30, 0x10, 0x14, 0x45});
  EXPECT_EQ(l.Read(20).size(), 16u);
}

TEST(RecorderSim, SelfTestAnswersAfterItsDelayOrNever) {
  Options o = SmallImage();
  o.selfTestResult = 2;
  o.selfTestDelayMs = 3000;
  Line l(o);
  Bytes f(11, 0);
  f[1] = 0xC0;
  l.Send(f);
  auto t0 = l.clock.MonotonicMs();
  EXPECT_EQ(l.Read(1), Bytes{2});
  EXPECT_EQ(l.clock.MonotonicMs() - t0, 3000);

  o.selfTestResult = -1;
  Line silent(o);
  silent.Send(f);
  EXPECT_TRUE(silent.Read(1).empty());
}

TEST(RecorderSim, PacedAnswersTakeLineTime) {
  Options o = SmallImage();
  o.paced = true;
  Line l(o);
  l.Send({0x00, 0x80, 0x12, 1, 2, 3, 4, 5, 6, 7, 8});
  auto t0 = l.clock.MonotonicMs();
  EXPECT_EQ(l.Read(14).size(), 14u);
  // 14 bytes of 11 bits at 10416 baud.
  EXPECT_NEAR(l.clock.MonotonicMs() - t0, 14.8, 1.0);
}

TEST(SurveyImage, RunsMarkersRangesAndSupplyWords) {
  ImageOptions io;
  io.runs = 3;
  io.channels = 2;
  io.samplesPerRun = 400;
  io.periodCode = 0;
  io.supplyEvery = 7;  // odd: some supply words fall inside a channel pair
  Image img = MakeSurveyImage(io);
  ASSERT_EQ(img.runs.size(), 3u);
  int markers = 0;
  bool rangesSeen[4] = {};
  std::size_t words = 0;
  for (const auto& r : img.runs) {
    EXPECT_EQ(r.channel1.size(), 400u);
    EXPECT_EQ(r.channel2.size(), 400u);
    EXPECT_FALSE(r.supply.empty());
    for (auto w : r.channel1) rangesSeen[(w >> 12) & 3] = true;
    for (auto w : r.channel2) rangesSeen[(w >> 12) & 3] = true;
    for (auto w : r.supply) EXPECT_TRUE(w & 0x8000);
    words += r.channel1.size() + r.channel2.size() + r.supply.size();
  }
  // Walk the bytes: markers are followed by the next run's clock block.
  for (std::size_t i = 0; i + 1 < img.bytes.size(); i += 2) {
    std::uint16_t w = img.bytes[i] | img.bytes[i + 1] << 8;
    if (w & 0x4000) {
      ++markers;
      ASSERT_LE(i + 6, img.bytes.size());
      EXPECT_TRUE(std::equal(img.bytes.begin() + i + 2, img.bytes.begin() + i + 6,
                             img.runs[markers].startClock.begin()));
      i += 4;
    }
  }
  EXPECT_EQ(markers, 2);
  EXPECT_EQ(img.bytes.size(), words * 2 + 2 * 4);
  // The automatic ranging really moves: several ranges in one survey.
  EXPECT_GE(rangesSeen[1] + rangesSeen[2] + rangesSeen[3], 2);
}

TEST(SurveyImage, RunsWithoutSamplesLeaveNoStrayClockBytes) {
  // Without a sample there is no word to mark a run's end; a clock block
  // written anyway would be decoded as channel samples.
  ImageOptions io;
  io.runs = 3;
  io.samplesPerRun = 0;
  Image img = MakeSurveyImage(io);
  EXPECT_TRUE(img.bytes.empty());
  EXPECT_TRUE(img.runs.empty());
}

TEST(SurveyImage, ClockBlockEncoding) {
  LocalTime t{2023, 12, 31, 23, 59, 0, 0};
  std::array<std::uint8_t, 4> expect{0x59, 0x23, 0xF1, 0x12};
  EXPECT_EQ(EncodeClock(t), expect);
  EXPECT_EQ(EncodeChannelWord(-10.24, 1), 0x1000);
  EXPECT_EQ(EncodeChannelWord(500, 3), 0x33FF);  // clamped to the scale
}

TEST(SurveyImage, LoadRefusesMissingAndOversizedFiles) {
  Image img;
  std::string err;
  EXPECT_FALSE(LoadImageFile("/nonexistent/data", ImageOptions{}, img, err));
  EXPECT_FALSE(err.empty());
  testing::TempDir dir("zet-sim");
  const std::string path = dir / "data";
  std::ofstream(path, std::ios::binary).put('\0');
  std::filesystem::resize_file(path, 0x1000000LL * 2);  // one word too many, sparse
  EXPECT_FALSE(LoadImageFile(path, ImageOptions{}, img, err));
  std::filesystem::resize_file(path, 5);
  ASSERT_TRUE(LoadImageFile(path, ImageOptions{}, img, err)) << err;
  EXPECT_EQ(img.bytes.size(), 4u);
}

}  // namespace
}  // namespace zet::sim
