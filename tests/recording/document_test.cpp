// Data operations of the document: filter and its undo, shunt, limit steps,
// same-file test.
#include <gtest/gtest.h>

#include <unistd.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <random>
#include <vector>

#include "recording/log_document.h"

namespace zet {
namespace {

// The filter exactly as defined: sum in double in index order from 0.
std::vector<float> Reference(const std::vector<float>& in, bool two) {
  const int n = static_cast<int>(in.size()), h = two ? 17 : 33;
  std::vector<float> out(in.size());
  for (int i = 0; i < n; ++i) {
    double sum = 0;
    int count = 0;
    for (int j = i - h; j <= i + h; ++j)
      if (j >= 0 && j < n) {
        sum += in[j];
        ++count;
      }
    out[i] = static_cast<float>(sum / count);
  }
  return out;
}

void ExpectBitIdentical(const std::vector<float>& a, const std::vector<float>& b) {
  ASSERT_EQ(a.size(), b.size());
  for (std::size_t i = 0; i < a.size(); ++i)
    ASSERT_EQ(std::bit_cast<std::uint32_t>(a[i]), std::bit_cast<std::uint32_t>(b[i])) << "sample " << i;
}

TEST(FilterChannel, WindowsCutAtTheEnds) {
  std::vector<float> five = {1, 2, 3, 4, 5};
  FilterChannel(five.data(), 5, false);
  for (float v : five) EXPECT_EQ(v, 3.0f);

  std::vector<float> pulse(200, 0.0f);
  pulse[100] = 67;
  FilterChannel(pulse.data(), 200, false);
  for (int i = 0; i < 200; ++i) EXPECT_EQ(pulse[i], (i >= 67 && i <= 133) ? 1.0f : 0.0f) << i;

  std::vector<float> early(100, 0.0f);
  early[50] = 67;
  FilterChannel(early.data(), 100, false);
  EXPECT_EQ(early[17], static_cast<float>(67.0 / 51));

  std::vector<float> two(100, 0.0f);
  two[50] = 35;
  FilterChannel(two.data(), 100, true);
  EXPECT_EQ(two[33], 1.0f);
  EXPECT_EQ(two[32], 0.0f);
}

TEST(FilterChannel, BitIdenticalToTheDirectSumOnAnyData) {
  std::mt19937 rng(11);
  std::vector<std::vector<float>> cases;
  // Recorder-like data: every word value, ranges changing now and then.
  std::vector<float> rec(20000);
  std::uniform_int_distribution<int> word(0, 0x3FFF);
  for (auto& v : rec) v = ChannelVolts(static_cast<std::uint16_t>(word(rng)));
  cases.push_back(rec);
  std::vector<float> uni(10000);
  std::uniform_real_distribution<float> u(-100, 100);
  for (auto& v : uni) v = u(rng);
  cases.push_back(uni);
  // Wide dynamic range, zeros of both signs, a NaN and an infinity: the
  // blocks that cannot be summed exactly go the direct way.
  std::vector<float> wild(5000);
  std::uniform_int_distribution<std::uint32_t> bits;
  for (auto& v : wild) {
    v = std::bit_cast<float>(bits(rng));
    if (!std::isfinite(v)) v = -0.0f;
  }
  wild[100] = 0;
  wild[2000] = std::nanf("");
  wild[3000] = INFINITY;
  cases.push_back(wild);
  cases.push_back(std::vector<float>(300, -0.0f));
  cases.push_back({1e30f, 1.0f, -1e30f, 1.0f});
  for (const auto& c : cases) {
    for (bool two : {false, true}) {
      std::vector<float> fast = c;
      FilterChannel(fast.data(), static_cast<int>(fast.size()), two);
      ExpectBitIdentical(fast, Reference(c, two));
      // Filtering filtered data again (the command may be repeated).
      std::vector<float> again = fast;
      FilterChannel(again.data(), static_cast<int>(again.size()), two);
      ExpectBitIdentical(again, Reference(fast, two));
    }
  }
}

LogDocument TwoChannelDoc() {
  LogDocument doc;
  Recording rec;
  rec.header.dPeriod = 0.0006;
  rec.header.nChannels = 2;
  rec.header.dMaxRange = 10;
  rec.channel1 = std::vector<float>{1, 2, 3, 4, 5, 6};
  rec.channel2 = std::vector<float>{6, 5, 4, 3, 2, 1};
  rec.supply = std::vector<float>{5.0f};
  doc.SetRecording(rec);
  return doc;
}

TEST(LogDocument, FilterTwiceThenInitialViewRestoresTheOriginalData) {
  LogDocument doc = TwoChannelDoc();
  ASSERT_TRUE(doc.CanFilter());
  const auto ch1 = *doc.m_pChannel1, ch2 = *doc.m_pChannel2;
  doc.LimitFiner();
  ASSERT_TRUE(doc.Filter());
  EXPECT_TRUE(doc.m_bFiltered);
  EXPECT_EQ((*doc.m_pChannel1)[0], 3.5f);
  ASSERT_TRUE(doc.Filter());
  doc.RestoreInitialView();
  EXPECT_FALSE(doc.m_bFiltered);
  EXPECT_EQ(*doc.m_pChannel1, ch1);
  EXPECT_EQ(*doc.m_pChannel2, ch2);
  EXPECT_FALSE(doc.m_pChannel1Saved.has_value());
  EXPECT_EQ(doc.m_dLimit, 10.0);
  doc.RestoreInitialView();  // nothing left to restore
  EXPECT_EQ(*doc.m_pChannel1, ch1);
}

TEST(LogDocument, OneChannelFilterUsesTheWideWindowAndMakesNoSecondCopy) {
  LogDocument doc;
  Recording rec;
  rec.header.dPeriod = 0.0003;
  rec.header.nChannels = 1;
  rec.channel1 = std::vector<float>(100, 0.0f);
  (*rec.channel1)[50] = 67;
  rec.channel2 = std::vector<float>{};  // a downloaded one-channel run
  doc.SetRecording(rec);
  doc.Filter();
  EXPECT_EQ((*doc.m_pChannel1)[17], static_cast<float>(67.0 / 51));
  EXPECT_FALSE(doc.m_pChannel2Saved.has_value());
}

TEST(LogDocument, DeleteContentsAndNewDocument) {
  LogDocument doc = TwoChannelDoc();
  bool modified = false;
  doc.SetShuntRating(100, &modified);
  doc.Filter();
  doc.m_strComment = "x";
  RecordingHeader header = doc.m_header;
  doc.NewDocument();
  EXPECT_FALSE(doc.m_pChannel1 || doc.m_pChannel2 || doc.m_pSupply || doc.m_pChannel1Saved);
  EXPECT_FALSE(doc.m_bFiltered || doc.m_bShuntCurrent);
  EXPECT_EQ(doc.m_dShuntResistance, 0.0);
  EXPECT_EQ(doc.m_strComment, "Комментарий");
  EXPECT_EQ(doc.m_header, header);  // still describes the previous recording
}

TEST(LogDocument, ShuntRating) {
  LogDocument doc = TwoChannelDoc();
  bool modified = false;
  ASSERT_TRUE(doc.SetShuntRating(100, &modified));
  EXPECT_TRUE(modified);
  EXPECT_TRUE(doc.m_bShuntCurrent);
  EXPECT_DOUBLE_EQ(doc.m_dShuntResistance, 0.00075);
  EXPECT_NEAR(0.03 / doc.m_dShuntResistance, 40.0, 1e-9);
  ASSERT_TRUE(doc.SetShuntRating(100, &modified));
  EXPECT_FALSE(modified);
  for (double bad : {0.0, -5.0, std::nan("")}) {
    EXPECT_FALSE(doc.SetShuntRating(bad, &modified));
    EXPECT_FALSE(modified);
    EXPECT_DOUBLE_EQ(doc.m_dShuntResistance, 0.00075);
  }
}

TEST(LogDocument, LimitStepsStayWithinTheRecorderRanges) {
  LogDocument doc;
  doc.m_dLimit = 100;
  EXPECT_FALSE(doc.CanLimitCoarser());
  const double finer[] = {10, 1, 0.1};
  for (double expected : finer) {
    ASSERT_TRUE(doc.CanLimitFiner());
    doc.LimitFiner();
    EXPECT_EQ(doc.m_dLimit, expected);
  }
  EXPECT_FALSE(doc.CanLimitFiner());

  doc.m_dLimit = 0.1f;  // largest range 0.1 V as the recorder reports it
  doc.LimitCoarser();
  ASSERT_TRUE(doc.CanLimitCoarser());
  doc.LimitCoarser();
  EXPECT_NEAR(doc.m_dLimit, 10.0000001, 1e-6);
  EXPECT_GT(doc.m_dLimit, 10.0);
  EXPECT_FALSE(doc.CanLimitCoarser());
}

TEST(SameFile, DifferentSpellingsOfOnePath) {
  namespace fs = std::filesystem;
  fs::path dir = fs::temp_directory_path() / ("zet-same-" + std::to_string(getpid()));
  fs::create_directories(dir / "sub");
  std::ofstream(dir / "a.zet") << "x";
  std::ofstream(dir / "b.zet") << "x";
  const std::string a = (dir / "a.zet").string();
  EXPECT_TRUE(SameFile(a, (dir / "sub" / ".." / "a.zet").string()));
#ifndef _WIN32  // links need privileges there
  fs::create_symlink(dir / "a.zet", dir / "link.zet");
  EXPECT_TRUE(SameFile(a, (dir / "link.zet").string()));
#endif
  EXPECT_FALSE(SameFile(a, (dir / "b.zet").string()));
  EXPECT_TRUE(SameFile((dir / "new.zet").string(), (dir / "sub" / ".." / "." / "new.zet").string()));
  EXPECT_FALSE(SameFile((dir / "new.zet").string(), a));
  fs::path old = fs::current_path();
  fs::current_path(dir);
  EXPECT_TRUE(SameFile("./a.zet", "a.zet"));
  EXPECT_TRUE(SameFile("./new.zet", "new.zet"));
  fs::current_path(old);
  fs::remove_all(dir);
}

}  // namespace
}  // namespace zet
