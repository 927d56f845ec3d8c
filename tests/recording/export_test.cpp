// Spreadsheet export and the raw data file.
#include <gtest/gtest.h>

#include <unistd.h>

#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

#include "recording/export.h"
#include "support/environment.h"
#include "support/printf_reference.h"

namespace zet {
namespace {

namespace fs = std::filesystem;

class Environment {
 public:
  Environment(const char* tz, const char* locale) : tz_(tz) { std::setlocale(LC_ALL, locale); }
  ~Environment() { std::setlocale(LC_ALL, "C"); }

 private:
  testing::TimeZoneScope tz_;
};

std::string Slurp(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

LogDocument Doc(double period, int channels, std::vector<float> ch1, std::optional<std::vector<float>> ch2) {
  Recording rec;
  rec.header.nDevice = 3;
  rec.header.bDateKnown = 1;
  rec.header.nYear = 2024;
  rec.header.nMonth = 3;
  rec.header.nDay = 5;
  rec.header.nHour = 10;
  rec.header.nMinute = 20;
  rec.header.dPeriod = period;
  rec.header.nChannels = channels;
  rec.channel1 = std::move(ch1);
  rec.channel2 = std::move(ch2);
  LogDocument doc;
  doc.SetRecording(rec);
  return doc;
}

TEST(Export, OneChannelLinesEvenUnderARussianLocale) {
  Environment env("Europe/Moscow", testing::kRussianLocale);
  LogDocument doc = Doc(1.0, 1, {1.5f, -0.25f}, std::vector<float>{});
  EXPECT_EQ(ExportText(doc), "05.03.2024 10:20:00\t1.500000\n05.03.2024 10:20:01\t-0.250000\n");
}

TEST(Export, TwoChannelContinuousAndUndatedForms) {
  Environment env("Europe/Moscow", "C");
  LogDocument fast = Doc(0.0006, 2, {0.1f, -0.0f}, std::vector<float>{-0.124f, 102.2f});
  EXPECT_EQ(ExportText(fast),
            "  0.0000 c   \t0.100000\t-0.124000\n  0.0006 c   \t-0.000000\t102.199997\n");

  LogDocument undated = Doc(30.0, 1, {0.0f}, std::nullopt);
  undated.m_header.bDateKnown = 0;
  EXPECT_EQ(ExportText(undated), "0:00:00:00   \t0.000000\n");
}

TEST(Export, ShorterSecondChannelIsNeverReadPastItsEnd) {
  Environment env("Europe/Moscow", "C");
  LogDocument doc = Doc(1.0, 2, {1, 2, 3}, std::vector<float>{4});
  EXPECT_EQ(ExportText(doc),
            "05.03.2024 10:20:00\t1.000000\t4.000000\n"
            "05.03.2024 10:20:01\t2.000000\n"
            "05.03.2024 10:20:02\t3.000000\n");
}

// Each row equals GetTimeText of its index and printf's "%f" of its values,
// over a daylight-saving change and with values of every kind.
TEST(Export, RowsEqualTheSlowDefinition) {
  Environment env("Europe/Berlin", "C");
  std::mt19937 rng(5);
  std::uniform_int_distribution<std::uint32_t> bits;
  std::vector<float> a(20000), b(20000);
  for (std::size_t k = 0; k < a.size(); ++k) {
    a[k] = ChannelVolts(static_cast<std::uint16_t>(bits(rng)));
    b[k] = std::bit_cast<float>(bits(rng));
  }
  for (double period : {0.5, 2.0, 0.0003}) {
    LogDocument doc = Doc(period, 2, a, b);
    doc.m_header.nMonth = 10;
    doc.m_header.nDay = 27;
    doc.m_header.nHour = 0;
    std::string expected;
    for (std::size_t i = 0; i < a.size(); ++i)
      expected += doc.GetTimeText(static_cast<long long>(i)) + "\t" +
                  testing::PrintfReference("%f", static_cast<double>(a[i])) + "\t" +
                  testing::PrintfReference("%f", static_cast<double>(b[i])) + "\n";
    ASSERT_EQ(ExportText(doc), expected) << period;
  }
}

TEST(Export, FileIsReplacedOnlyWhenComplete) {
  Environment env("Europe/Moscow", "C");
  fs::path dir = fs::temp_directory_path() / ("zet-export-" + std::to_string(getpid()));
  fs::create_directories(dir);
  const std::string path = (dir / "out.xls").string();
  std::ofstream(path) << "old";
  LogDocument doc = Doc(1.0, 1, {1.5f, -0.25f}, std::nullopt);
  ASSERT_EQ(ExportSpreadsheet(doc, path), "");
  EXPECT_EQ(Slurp(path), ExportText(doc));
  EXPECT_FALSE(ExportSpreadsheet(doc, (dir / "missing" / "out.xls").string()).empty());
  EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 1);
  fs::remove_all(dir);
}

TEST(RawDataFile, HoldsExactlyTheLastImage) {
  fs::path dir = fs::temp_directory_path() / ("zet-raw-" + std::to_string(getpid()));
  fs::create_directories(dir);
  const std::string path = (dir / "data").string();
  std::string first(4000, '\x11'), second(1001, '\x22');
  ASSERT_EQ(WriteRawDataFile(path, reinterpret_cast<const std::uint8_t*>(first.data()), first.size()), "");
  ASSERT_EQ(WriteRawDataFile(path, reinterpret_cast<const std::uint8_t*>(second.data()), second.size()), "");
  EXPECT_EQ(Slurp(path), second);
  std::string msg = WriteRawDataFile((dir / "nope" / "data").string(),
                                     reinterpret_cast<const std::uint8_t*>(first.data()), first.size());
  EXPECT_NE(msg.find("data"), std::string::npos);
  fs::remove_all(dir);
}

}  // namespace
}  // namespace zet
