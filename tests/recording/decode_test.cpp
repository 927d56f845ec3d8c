// Turning a memory image into runs.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "recording/download_decode.h"

namespace zet {
namespace {

struct Image {
  std::vector<std::uint8_t> bytes;
  Image& W(std::uint16_t w) {
    bytes.push_back(static_cast<std::uint8_t>(w));
    bytes.push_back(static_cast<std::uint8_t>(w >> 8));
    return *this;
  }
  Image& Clock(std::uint8_t mi, std::uint8_t h, std::uint8_t d, std::uint8_t mo) {
    bytes.insert(bytes.end(), {mi, h, d, mo});
    return *this;
  }
};

RecordingHeader Preamble(int channels) {
  RecordingHeader h;
  h.nDevice = 12;
  h.bDateKnown = 1;
  h.nYear = 2024;
  h.nMonth = 3;
  h.nDay = 5;
  h.nHour = 10;
  h.nMinute = 20;
  h.dPeriod = 1.0;
  h.dRange = 10.0;
  h.nChannels = channels;
  return h;
}

DecodedImage Decode(const Image& im, const RecordingHeader& h, int counter = 1) {
  return DecodeImage(im.bytes.data(), im.bytes.size(), h, counter, 2025);
}

TEST(DecodeImage, TwoChannelsAlternateAroundSupplyAndAreCutToTheShorter) {
  Image im;
  im.W(0x2200).W(0x2201).W(0x8200).W(0x2202).W(0x2203).W(0x2204);
  DecodedImage d = Decode(im, Preamble(2));
  ASSERT_TRUE(d.ok);
  ASSERT_EQ(d.runs.size(), 1u);
  const Recording& r = d.runs[0];
  ASSERT_EQ(Count(r.channel1), 2);
  ASSERT_EQ(Count(r.channel2), 2);
  ASSERT_EQ(Count(r.supply), 1);
  EXPECT_EQ((*r.channel1)[0], ChannelVolts(0x2200));
  EXPECT_EQ((*r.channel2)[0], ChannelVolts(0x2201));
  EXPECT_EQ((*r.channel1)[1], ChannelVolts(0x2202));
  EXPECT_EQ((*r.channel2)[1], ChannelVolts(0x2203));
  EXPECT_EQ((*r.supply)[0], 4.5f);
  EXPECT_EQ(r.title, "Измерения1");
  EXPECT_EQ(r.comment, "Комментарий");
  EXPECT_EQ(d.nextCounter, 2);
}

TEST(DecodeImage, OneChannelRunKeepsAnEmptySecondArray) {
  Image im;
  im.W(0x1200).W(0x1300).W(0x83FF);
  DecodedImage d = Decode(im, Preamble(1));
  ASSERT_EQ(d.runs.size(), 1u);
  EXPECT_EQ(Count(d.runs[0].channel1), 2);
  ASSERT_TRUE(d.runs[0].channel2.has_value());
  EXPECT_EQ(Count(d.runs[0].channel2), 0);
  EXPECT_EQ((*d.runs[0].supply)[0], 6.2f);
}

TEST(DecodeImage, RunMarkersSplitRunsWithTheirOwnClockAndTitles) {
  Image im;
  // Run 1: ch1, ch2, ch1(marker) -> cut to 1+1. Run 2 starts 23.11 14:59 and
  // restarts alternation at channel 1; a supply word carries the next marker.
  im.W(0x0200).W(0x0201).W(0x4000 | 0x0202);
  im.Clock(0x59, 0x14, 0x23, 0x11);
  im.W(0x3200).W(0x3201).W(0x8200 | 0x4000);
  im.Clock(0x05, 0x09, 0x31, 0x12);
  im.W(0x1200).W(0x1201);
  RecordingHeader pre = Preamble(2);
  pre.dMaxRange = 55;  // whatever the document held before
  DecodedImage d = Decode(im, pre, 41);
  ASSERT_TRUE(d.ok);
  ASSERT_EQ(d.runs.size(), 3u);
  EXPECT_EQ(d.runs[0].title, "Измерения41");
  EXPECT_EQ(d.runs[1].title, "Измерения42");
  EXPECT_EQ(d.runs[2].title, "Измерения43");
  EXPECT_EQ(d.nextCounter, 44);

  EXPECT_EQ(d.runs[0].header.nMonth, 3);  // from the preamble
  EXPECT_EQ(d.runs[0].header.nYear, 2024);
  EXPECT_EQ(Count(d.runs[0].channel1), 1);
  EXPECT_EQ(Count(d.runs[0].channel2), 1);

  const RecordingHeader& h1 = d.runs[1].header;
  EXPECT_EQ(h1.nMinute, 59);
  EXPECT_EQ(h1.nHour, 14);
  EXPECT_EQ(h1.nDay, 23);
  EXPECT_EQ(h1.nMonth, 11);
  EXPECT_EQ(h1.nYear, 2025);
  EXPECT_EQ(h1.nDevice, 12);
  EXPECT_EQ((*d.runs[1].channel1)[0], ChannelVolts(0x3200));
  EXPECT_EQ((*d.runs[1].channel2)[0], ChannelVolts(0x3201));
  EXPECT_EQ(Count(d.runs[1].supply), 1);

  // The largest range is a running maximum over the whole download.
  EXPECT_EQ(d.runs[0].header.dMaxRange, 100.0);
  EXPECT_EQ(d.runs[1].header.dMaxRange, 100.0);
  EXPECT_EQ(d.runs[2].header.dMaxRange, 100.0);
  EXPECT_EQ(d.runs[2].header.nDay, 31);
  EXPECT_EQ(d.runs[2].header.nMonth, 12);
}

TEST(DecodeImage, RunCounterAtTheLargestIntStaysThere) {
  Image im;
  im.W(0x4200).Clock(0, 0, 1, 1).W(0x0200);
  DecodedImage d = Decode(im, Preamble(1), 2147483647);
  ASSERT_EQ(d.runs.size(), 2u);
  EXPECT_EQ(d.runs[1].title, "Измерения2147483647");
  EXPECT_EQ(d.nextCounter, 2147483647);
}

TEST(DecodeImage, LargestRangeIsTheSinglePrecisionFactor) {
  Image im;
  im.W(0x3200).W(0x3201);
  DecodedImage d = Decode(im, Preamble(2));
  EXPECT_EQ(d.runs[0].header.dMaxRange, static_cast<double>(0.1f));
}

TEST(DecodeImage, MarkerTooCloseToTheEndStopsWithoutSplit) {
  for (int tail = 0; tail <= 5; ++tail) {
    Image im;
    im.W(0x1200).W(0x4000 | 0x1201);
    for (int k = 0; k < tail; ++k) im.bytes.push_back(0x12);
    DecodedImage d = Decode(im, Preamble(1));
    ASSERT_EQ(d.runs.size(), 1u) << tail;
    EXPECT_EQ(Count(d.runs[0].channel1), 2) << tail;
    EXPECT_EQ(d.nextCounter, 2);
  }
  Image im;
  im.W(0x1200).W(0x4000 | 0x1201).Clock(0, 0, 1, 1).W(0x1202);
  DecodedImage d = Decode(im, Preamble(1));
  ASSERT_EQ(d.runs.size(), 2u);
  EXPECT_EQ(Count(d.runs[1].channel1), 1);
}

TEST(DecodeImage, OddByteCountAndEmptyImage) {
  Image im;
  im.W(0x1200).W(0x1201);
  im.bytes.push_back(0x55);
  DecodedImage d = Decode(im, Preamble(1));
  EXPECT_EQ(Count(d.runs[0].channel1), 2);

  DecodedImage none = DecodeImage(nullptr, 0, Preamble(1), 5, 2025);
  EXPECT_FALSE(none.ok);
  EXPECT_TRUE(none.runs.empty());
  EXPECT_EQ(none.nextCounter, 5);

  // A single byte was received: one empty run, counter used.
  std::uint8_t one = 0x11;
  DecodedImage single = DecodeImage(&one, 1, Preamble(2), 5, 2025);
  EXPECT_TRUE(single.ok);
  ASSERT_EQ(single.runs.size(), 1u);
  EXPECT_EQ(Count(single.runs[0].channel1), 0);
  EXPECT_EQ(single.nextCounter, 6);
}

TEST(DecodeImage, ArraysAreSizedExactly) {
  Image im;
  for (int k = 0; k < 1001; ++k) im.W(static_cast<std::uint16_t>(0x2000 | (k & 0x3FF)));
  for (int k = 0; k < 10; ++k) im.W(0x8300);
  DecodedImage d = Decode(im, Preamble(2));
  EXPECT_EQ(d.runs[0].channel1->capacity(), 500u);
  EXPECT_EQ(d.runs[0].channel2->capacity(), 500u);
  EXPECT_EQ(d.runs[0].supply->capacity(), 10u);
}

}  // namespace
}  // namespace zet
