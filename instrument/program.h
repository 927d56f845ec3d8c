#pragma once
// Programming the recorder for a run: the command frame, the exchange with
// its report and Retry, and the start-time arithmetic of the program dialog.
#include <ctime>
#include <string>

#include "link/protocol.h"
#include "link/serial_channel.h"

namespace zet {

inline constexpr int kPeriodContinuous = 255;

struct ProgramSettings {
  bool autoRange = true;
  int rangeCode = 0;    // 0..3: 100, 10, 1, 0.1 V
  int periodCode = 0;   // 0..8, or kPeriodContinuous
  int channelCode = 0;  // 0 one channel, 1 two
  bool manualStart = true;
  std::time_t start = 0;  // used when !manualStart
};

// Builds the frame with the clock read once from `now`; a start already past
// is replaced by now.
CommandFrame BuildProgramFrame(const ProgramSettings& s, std::time_t now);

// "Послано :\t\tПолучено :" report of sent and received bytes.
std::string ProgramReport(const CommandFrame& sent, const ReplyFrame& reply, int received);

enum class ProgramOutcome { PortFailed, Accepted, Rejected };

// Confirmation and dialog are the caller's. Opens the port, sends, reads the
// reply, reports through the channel's prompts, resends the identical frame on
// Retry, closes the port. `lastReport`, when given, receives the report of
// the last attempt (also of an accepted one).
ProgramOutcome RunProgram(SerialChannel& channel, const CommandFrame& frame,
                          std::string* lastReport = nullptr);

// Start-time spins: each returns the new start time.
std::time_t StepHours(std::time_t t, int d);
std::time_t StepMinutes(std::time_t t, int d);
std::time_t StepDays(std::time_t t, int d);
std::time_t StepMonths(std::time_t t, int d);
std::time_t StepYears(std::time_t t, int d);
// After every change: a past time becomes now + 1 minute; a year past 2100 is
// brought back to the same month, day, hour and minute of 2100, seconds 0.
std::time_t NormalizeStartTime(std::time_t t, std::time_t now);

struct StartTimeTexts {
  std::string year, month, day, hour, minute;  // "Год : %d", "Месяц : %s", ...
};
StartTimeTexts FormatStartTime(std::time_t t);

}  // namespace zet
