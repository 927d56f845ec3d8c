#include "link/protocol.h"

#include "base/text_format.h"
#include "recording/recording.h"

namespace zet {
namespace {

std::uint8_t Bcd(int value, std::uint8_t tensMask) {
  const int units = value % 10;
  const int tens = (value / 10) & tensMask;
  return static_cast<std::uint8_t>(tens << 4 | units);
}

}  // namespace

std::uint8_t ModeByte(int periodCode, int channelCode, int rangeCode, bool fixedRange) {
  return static_cast<std::uint8_t>((periodCode & 0x0F) | (channelCode ? 0x10 : 0) |
                                   ((rangeCode & 0x03) << 5) | (fixedRange ? 0x80 : 0));
}

ClockBlockBytes ClockBlock(const LocalTime& t) {
  const int yearBits = ((t.year % 4) + 4) % 4;
  return {Bcd(t.minute, 0x07), Bcd(t.hour, 0x03),
          static_cast<std::uint8_t>(yearBits << 6 | Bcd(t.day, 0x03)),
          static_cast<std::uint8_t>((t.weekday & 0x07) << 5 | Bcd(t.month, 0x01))};
}

ClockFields DecodeClockBlock(const std::uint8_t* b) {
  ClockFields f;
  f.minute = (b[0] & 0x0F) + (b[0] >> 4) * 10;
  f.hour = (b[1] & 0x0F) + ((b[1] >> 4) & 0x03) * 10;
  f.day = (b[2] & 0x0F) + ((b[2] >> 4) & 0x03) * 10;
  f.month = (b[3] & 0x0F) + ((b[3] >> 4) & 0x01) * 10;
  return f;
}

CommandFrame ReadMemoryFrame() { return CommandFrame{}; }

CommandFrame SelfTestFrame() {
  CommandFrame f{};
  f[1] = kCmdSelfTest;
  return f;
}

std::uint8_t ByteSum(const std::uint8_t* p, std::size_t n) {
  unsigned s = 0;
  for (std::size_t i = 0; i < n; ++i) s += p[i];
  return static_cast<std::uint8_t>(s);
}

bool EchoMatches(const CommandFrame& command, const ReplyFrame& reply) {
  for (int i = 0; i < 10; ++i)
    if (command[i] != reply[i]) return false;
  return true;
}

int ReplyDeviceNumber(const ReplyFrame& reply) { return reply[11] * 256 + reply[12]; }

std::string FormatChannelVolts(std::uint16_t word) {
  const float v = ChannelVolts(word);
  switch ((word >> 12) & 0x03) {
    case 0: return CFormat("%6.1f B", static_cast<double>(v));
    case 1: return CFormat("%6.2f B", static_cast<double>(v));
    case 2: return CFormat("%6.3f B", static_cast<double>(v));
    default: return CFormat("%6.1f мB", static_cast<double>(v * 1000.0f));
  }
}

double PeriodSeconds(int periodCode) {
  static constexpr double kPeriods[] = {0.5, 1, 2, 5, 10, 20, 30, 60, 120};
  if (periodCode < 0 || periodCode > 8) return -1;
  return kPeriods[periodCode];
}

double RangeVolts(int rangeCode) {
  switch (rangeCode) {
    case 0: return 100;
    case 1: return 10;
    case 2: return 1;
    case 3: return static_cast<double>(0.1f);
    default: return -1;
  }
}

}  // namespace zet
