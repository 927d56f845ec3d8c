#pragma once
// Exchange protocol with the recorder: 11-byte command frames, 14-byte
// replies, the mode byte, the BCD clock block and the echo check.
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

#include "base/host.h"

namespace zet {

using CommandFrame = std::array<std::uint8_t, 11>;
using ReplyFrame = std::array<std::uint8_t, 14>;

// Command codes (byte 1) and their flag bits.
inline constexpr std::uint8_t kCmdReadMemory = 0x00;
inline constexpr std::uint8_t kCmdProgram = 0x80;
inline constexpr std::uint8_t kFlagStartByDate = 0x01;
inline constexpr std::uint8_t kFlagContinuous = 0x10;
inline constexpr std::uint8_t kCmdMonitor = 0xA0;
inline constexpr std::uint8_t kCmdSelfTest = 0xC0;

// periodCode 0..8 (0 when continuous or monitoring), channelCode 0/1,
// rangeCode 0..3 (100, 10, 1, 0.1 V), fixed range in bit 7.
std::uint8_t ModeByte(int periodCode, int channelCode, int rangeCode, bool fixedRange);

using ClockBlockBytes = std::array<std::uint8_t, 4>;
ClockBlockBytes ClockBlock(const LocalTime& t);  // seconds are not carried

struct ClockFields {
  int minute = 0, hour = 0, day = 0, month = 0;
};
// Reads a clock block back (preamble and run headers); year and weekday bits ignored.
ClockFields DecodeClockBlock(const std::uint8_t* b);

CommandFrame ReadMemoryFrame();  // eleven zero bytes
CommandFrame SelfTestFrame();    // 0x00, 0xC0, nine zero bytes

// The 8-bit sum that guards the download preamble and every memory block:
// the bytes added modulo 256.
std::uint8_t ByteSum(const std::uint8_t* p, std::size_t n);

bool EchoMatches(const CommandFrame& command, const ReplyFrame& reply);  // bytes 0..9
int ReplyDeviceNumber(const ReplyFrame& reply);                          // bytes 11..12, big-endian

// Display text of a channel sample word by its range code: "%6.1f B",
// "%6.2f B", "%6.3f B", or millivolts "%6.1f мB".
std::string FormatChannelVolts(std::uint16_t word);

// Period in seconds for codes 0..8; a negative value for other codes.
double PeriodSeconds(int periodCode);
// Range in volts for codes 0..3 (0.1 is the single-precision value widened).
double RangeVolts(int rangeCode);

}  // namespace zet
