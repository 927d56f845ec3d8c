// The .zet file: exact layout, round trip, damaged and hostile files, and
// replacing a file safely.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <bit>
#include <cmath>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <vector>

#include "recording/log_document.h"
#include "recording/zet_file.h"
#include "support/temp_dir.h"

namespace zet {
namespace {

namespace fs = std::filesystem;

// Each test's own folder.
class TempDir : public testing::TempDir {
 public:
  TempDir() : testing::TempDir("zet-file") {}
};

std::vector<std::uint8_t> Slurp(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

Recording Sample() {
  Recording rec;
  rec.header.nDevice = 513;
  rec.header.bDateKnown = 1;
  rec.header.nYear = 2024;
  rec.header.nMonth = 3;
  rec.header.nDay = 5;
  rec.header.nHour = 10;
  rec.header.nMinute = 20;
  rec.header.dPeriod = 0.5;
  rec.header.bFixedRange = 1;
  rec.header.dRange = 10;
  rec.header.dMaxRange = 10;
  rec.header.nChannels = 2;
  rec.shuntResistance = 0.00075;
  rec.channel1 = std::vector<float>{1.5f, -0.25f, 3e-5f};
  rec.channel2 = std::vector<float>{-0.0f, 7.0f, 102.2f};
  rec.supply = std::vector<float>{4.5f, 6.2f};
  rec.comment = "Труба №3\nточка «Б» — 5 м";
  return rec;
}

TEST(ZetFile, EmptyDocumentLayoutToTheByte) {
  LogDocument doc;
  doc.NewDocument();
  std::vector<std::uint8_t> bytes = EncodeZet(doc.GetRecording());
  ASSERT_EQ(bytes.size(), 8u + 72 + 8 + 3 * 4 + 4 + 11);
  const std::uint8_t head[] = {0x4C, 0x4F, 0x47, 0x00, 2, 0, 0, 0};
  EXPECT_EQ(0, std::memcmp(bytes.data(), head, 8));
  EXPECT_EQ(bytes[100], 11);  // comment length
  const std::uint8_t comment[] = {0xCA, 0xEE, 0xEC, 0xEC, 0xE5, 0xED, 0xF2, 0xE0, 0xF0, 0xE8, 0xE9};
  EXPECT_EQ(0, std::memcmp(bytes.data() + 104, comment, 11));
}

TEST(ZetFile, HeaderFieldsAtTheirOffsets) {
  Recording rec = Sample();
  std::vector<std::uint8_t> b = EncodeZet(rec);
  auto i32 = [&](std::size_t off) {
    std::int32_t v;
    std::memcpy(&v, b.data() + off, 4);
    return v;
  };
  auto f64 = [&](std::size_t off) {
    double v;
    std::memcpy(&v, b.data() + off, 8);
    return v;
  };
  EXPECT_EQ(b[8], 1);  // nDevice 513 little-endian
  EXPECT_EQ(b[9], 2);
  EXPECT_EQ(i32(8 + 4), 1);
  EXPECT_EQ(i32(8 + 8), 2024);
  EXPECT_EQ(i32(8 + 24), 20);
  EXPECT_EQ(i32(8 + 28), 0);  // unused
  EXPECT_EQ(f64(8 + 32), 0.5);
  EXPECT_EQ(i32(8 + 40), 1);
  EXPECT_EQ(f64(8 + 48), 10.0);
  EXPECT_EQ(i32(8 + 64), 2);
  EXPECT_EQ(f64(80), 0.00075);
  EXPECT_EQ(i32(88), 3);
  EXPECT_EQ(i32(92 + 12), 3);           // N2
  EXPECT_EQ(i32(92 + 12 + 4 + 12), 2);  // NS
}

TEST(ZetFile, RoundTripKeepsEverything) {
  Recording rec = Sample();
  ZetReadResult r = [&] {
    auto bytes = EncodeZet(rec);
    return DecodeZet(bytes.data(), bytes.size());
  }();
  ASSERT_EQ(r.status, ZetStatus::Ok) << r.message;
  EXPECT_EQ(r.recording.header, rec.header);
  EXPECT_EQ(r.recording.shuntResistance, rec.shuntResistance);
  EXPECT_EQ(*r.recording.channel1, *rec.channel1);
  EXPECT_TRUE(std::signbit((*r.recording.channel2)[0]));
  EXPECT_EQ(*r.recording.supply, *rec.supply);
  EXPECT_EQ(r.recording.comment, rec.comment);
}

TEST(ZetFile, OneChannelRecordingReadsBackWithoutSecondArray) {
  Recording rec = Sample();
  rec.header.nChannels = 1;
  rec.channel2 = std::vector<float>{};
  rec.supply.reset();
  auto bytes = EncodeZet(rec);
  ZetReadResult r = DecodeZet(bytes.data(), bytes.size());
  ASSERT_EQ(r.status, ZetStatus::Ok);
  EXPECT_FALSE(r.recording.channel2.has_value());
  EXPECT_FALSE(r.recording.supply.has_value());
  LogDocument doc;
  doc.SetRecording(r.recording);
  EXPECT_FALSE(doc.CanShowStrayCurrents());
  EXPECT_FALSE(doc.CanShuntCurrent());
}

TEST(ZetFile, CommentLineEndsAndUnmappableCharacters) {
  EXPECT_EQ(Utf8ToCp1251("a\nb"), "a\r\nb");
  EXPECT_EQ(Cp1251ToUtf8("a\r\nb\rc"), "a\nb\rc");
  // Any text survives the trip through the file, stray CRs included.
  for (std::string text : {"a\r\nb", "\r", "\r\r\n\n", "x\n"})
    EXPECT_EQ(Cp1251ToUtf8(Utf8ToCp1251(text)), text);
  EXPECT_EQ(Utf8ToCp1251("日本 €"), "?? \x88");
  EXPECT_EQ(Utf8ToCp1251("\xFF\xC3"), "??");  // broken UTF-8
  std::string all;
  for (int c = 0; c < 256; ++c)
    if (c != '\r' && c != '\n') all += static_cast<char>(c);
  EXPECT_EQ(Utf8ToCp1251(Cp1251ToUtf8(all)), all);
}

TEST(ZetFile, AnyVersionIsReadWithTheSameLayout) {
  auto bytes = EncodeZet(Sample());
  bytes[4] = 7;
  bytes[7] = 0x80;
  EXPECT_EQ(DecodeZet(bytes.data(), bytes.size()).status, ZetStatus::Ok);
}

TEST(ZetFile, WrongMagicIsReportedAndNothingElseRead) {
  auto bytes = EncodeZet(Sample());
  bytes[0] = 'X';
  ZetReadResult r = DecodeZet(bytes.data(), bytes.size());
  EXPECT_EQ(r.status, ZetStatus::WrongMagic);
  EXPECT_EQ(r.message, kWrongFormatMessage);
  EXPECT_FALSE(r.recording.channel1.has_value());
  const std::uint8_t text[] = "hello";
  EXPECT_EQ(DecodeZet(text, 2).status, ZetStatus::WrongMagic);
}

TEST(ZetFile, FileCutAnywhereIsDamaged) {
  auto bytes = EncodeZet(Sample());
  // A file of length 0 is not damaged but empty: it opens with nothing in it.
  EXPECT_EQ(DecodeZet(bytes.data(), 0).status, ZetStatus::Empty);
  for (std::size_t n = 1; n < bytes.size(); ++n) {
    ZetReadResult r = DecodeZet(bytes.data(), n);
    ASSERT_EQ(r.status, ZetStatus::Damaged) << "cut at " << n;
    ASSERT_FALSE(r.message.empty());
  }
}

void Put32(std::vector<std::uint8_t>& b, std::size_t off, std::uint32_t v) { std::memcpy(b.data() + off, &v, 4); }

TEST(ZetFile, HostileCountsAndHeadersAreRefusedBeforeAnyAllocation) {
  const auto good = EncodeZet(Sample());
  auto with = [&](std::size_t off, std::uint32_t v) {
    auto b = good;
    Put32(b, off, v);
    return DecodeZet(b.data(), b.size());
  };
  EXPECT_EQ(with(88, 0xFFFFFFFF).status, ZetStatus::Damaged);  // negative count
  EXPECT_EQ(with(88, 0x7FFFFFFF).status, ZetStatus::Damaged);  // 8 GB that are not there
  EXPECT_EQ(with(88, 4).status, ZetStatus::Damaged);           // one more than present, rest shifts
  const std::size_t commentLen = good.size() - 4 - Utf8ToCp1251(Sample().comment).size();
  EXPECT_EQ(with(commentLen, 0x100000).status, ZetStatus::Damaged);
  EXPECT_EQ(with(commentLen, 0xFFFFFFFF).status, ZetStatus::Damaged);

  auto withDouble = [&](std::size_t off, double v) {
    auto b = good;
    std::memcpy(b.data() + off, &v, 8);
    return DecodeZet(b.data(), b.size()).status;
  };
  EXPECT_EQ(withDouble(8 + 32, std::nan("")), ZetStatus::Damaged);
  EXPECT_EQ(withDouble(8 + 32, -1.0), ZetStatus::Damaged);
  EXPECT_EQ(withDouble(8 + 56, INFINITY), ZetStatus::Damaged);
  EXPECT_EQ(withDouble(80, -0.5), ZetStatus::Damaged);
  EXPECT_EQ(with(8 + 64, 3).status, ZetStatus::Damaged);  // three channels
  EXPECT_EQ(with(8 + 8, 123456789).status, ZetStatus::Ok);  // odd year: kept, shown safely

  // Random garbage after a valid magic never crashes and never passes as a
  // different layout silently.
  std::mt19937 rng(3);
  for (int k = 0; k < 3000; ++k) {
    auto b = good;
    int flips = 1 + static_cast<int>(rng() % 8);
    for (int f = 0; f < flips; ++f) b[4 + rng() % (b.size() - 4)] = static_cast<std::uint8_t>(rng());
    ZetReadResult r = DecodeZet(b.data(), b.size() - rng() % 3);
    if (r.status == ZetStatus::Ok) {
      EXPECT_LE(Count(r.recording.channel1), 3 + 6);
    }
  }
}

TEST(ZetFile, WriteAndReadAFile) {
  TempDir dir;
  const std::string path = dir / "rec.zet";
  ASSERT_EQ(WriteZetFile(path, Sample()), "");
  EXPECT_EQ(Slurp(path), EncodeZet(Sample()));
  ZetReadResult r = ReadZetFile(path);
  ASSERT_EQ(r.status, ZetStatus::Ok);
  EXPECT_EQ(r.recording.comment, Sample().comment);
  // Nothing but the file is left in the directory.
  EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 1);

  EXPECT_EQ(ReadZetFile(dir / "missing.zet").status, ZetStatus::IoError);
  EXPECT_EQ(ReadZetFile(dir.path().string()).status, ZetStatus::IoError);
  std::ofstream(dir / "empty.zet").close();
  EXPECT_EQ(ReadZetFile(dir / "empty.zet").status, ZetStatus::Empty);
}

TEST(ZetFile, TooLongCommentIsRefusedNotTruncated) {
  TempDir dir;
  Recording rec = Sample();
  rec.comment.assign(kMaxCommentBytes + 1, 'x');
  std::string msg = WriteZetFile(dir / "long.zet", rec);
  EXPECT_FALSE(msg.empty());
  EXPECT_FALSE(fs::exists(dir / "long.zet"));
}

}  // namespace
}  // namespace zet
