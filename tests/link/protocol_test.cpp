#include <gtest/gtest.h>

#include "link/protocol.h"

namespace zet {
namespace {

TEST(Protocol, FixedFrames) {
  EXPECT_EQ(ReadMemoryFrame(), CommandFrame{});
  EXPECT_EQ(SelfTestFrame(), (CommandFrame{0x00, 0xC0, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
}

TEST(Protocol, ModeBytePacksEveryField) {
  EXPECT_EQ(ModeByte(0, 0, 0, false), 0x00);
  EXPECT_EQ(ModeByte(3, 1, 2, true), 0xD3);
  EXPECT_EQ(ModeByte(8, 0, 3, false), 0x68);
}

TEST(Protocol, ClockBlockIsBcdWithYearAndWeekdayBits) {
  // 31 December 2023, 23:59, a Sunday.
  EXPECT_EQ(ClockBlock({2023, 12, 31, 23, 59, 40, 0}), (ClockBlockBytes{0x59, 0x23, 0xF1, 0x12}));
  // 2024 is a multiple of four; Saturday is weekday 6.
  EXPECT_EQ(ClockBlock({2024, 1, 6, 0, 5, 0, 6}), (ClockBlockBytes{0x05, 0x00, 0x06, 0xC1}));
}

TEST(Protocol, ClockBlockReadsBackIgnoringYearAndWeekday) {
  for (int month = 1; month <= 12; ++month)
    for (int day = 1; day <= 31; day += 3)
      for (int hour = 0; hour < 24; hour += 5)
        for (int minute = 0; minute < 60; minute += 7) {
          const ClockBlockBytes b = ClockBlock({2000 + day % 4, month, day, hour, minute, 0, month % 7});
          const ClockFields f = DecodeClockBlock(b.data());
          ASSERT_EQ(f.month, month);
          ASSERT_EQ(f.day, day);
          ASSERT_EQ(f.hour, hour);
          ASSERT_EQ(f.minute, minute);
        }
}

TEST(Protocol, EchoComparesBytesZeroToNineOnly) {
  CommandFrame cmd{0x00, 0x81, 0xD3, 0x59, 0x23, 0xF1, 0x12, 0x00, 0x08, 0xC2, 0x05};
  ReplyFrame reply{};
  for (int i = 0; i < 10; ++i) reply[i] = cmd[i];
  reply[10] = 0x99;  // not compared
  reply[13] = 0x42;  // check byte: never verified
  EXPECT_TRUE(EchoMatches(cmd, reply));

  for (int i : {0, 1, 9}) {
    ReplyFrame bad = reply;
    bad[i] ^= 0x01;
    EXPECT_FALSE(EchoMatches(cmd, bad)) << "byte " << i;
  }
}

TEST(Protocol, DeviceNumberIsBigEndian) {
  ReplyFrame reply{};
  reply[11] = 0x01;
  reply[12] = 0x2C;
  EXPECT_EQ(ReplyDeviceNumber(reply), 300);
}

TEST(Protocol, ChannelVoltsTextFollowsTheWordsRange) {
  EXPECT_EQ(FormatChannelVolts(0x0000 | 517), "   1.0 B");
  EXPECT_EQ(FormatChannelVolts(0x1000 | 0), "-10.24 B");
  EXPECT_EQ(FormatChannelVolts(0x2000 | 1023), " 1.022 B");
  EXPECT_EQ(FormatChannelVolts(0x3000 | 511), "  -0.2 мB");
  // Supply and marker bits do not change a channel text.
  EXPECT_EQ(FormatChannelVolts(0x4000 | 0x2000 | 1023), " 1.022 B");
}

TEST(Protocol, PeriodAndRangeCodes) {
  EXPECT_EQ(PeriodSeconds(0), 0.5);
  EXPECT_EQ(PeriodSeconds(3), 5);
  EXPECT_EQ(PeriodSeconds(8), 120);
  EXPECT_LT(PeriodSeconds(9), 0);
  EXPECT_EQ(RangeVolts(0), 100);
  EXPECT_EQ(RangeVolts(3), 0.10000000149011612);
}

}  // namespace
}  // namespace zet
