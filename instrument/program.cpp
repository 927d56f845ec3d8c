#include "instrument/program.h"

#include <algorithm>

#include "base/text_format.h"

namespace zet {
namespace {

constexpr const char* kMonths[] = {"январь", "февраль", "март",     "апрель",  "май",    "июнь",
                                   "июль",   "август",  "сентябрь", "октябрь", "ноябрь", "декабрь"};
constexpr const char* kWeekdays[] = {"воскресенье", "понедельник", "вторник", "среда",
                                     "четверг",     "пятница",     "суббота"};

// Bounds of the spin loops: far more steps than any real date needs (29
// February waits at most eight years for its next occurrence), yet finite
// for any input.
constexpr int kMaxMonthSteps = 400;
constexpr int kMaxYearSteps = 3200;

std::string Binary(std::uint8_t b) {
  std::string s(8, '0');
  for (int i = 0; i < 8; ++i)
    if (b & (0x80 >> i)) s[i] = '1';
  return s;
}

std::string HexBin(std::uint8_t b) { return CFormat("%02X   ", b) + Binary(b); }

// Calendar day steps keep the hour across daylight-saving changes.
std::time_t AddDays(std::time_t t, long long days) {
  LocalTime lt = ToLocalTime(t);
  lt.day += static_cast<int>(days);
  return FromLocalTime(lt);
}

void PutClock(CommandFrame& f, int at, std::time_t t) {
  ClockBlockBytes c = ClockBlock(ToLocalTime(t));
  std::copy(c.begin(), c.end(), f.begin() + at);
}

int DaysInMonth(int year, int month) {
  static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
  return month == 2 && leap ? 29 : days[(month - 1) % 12];
}

}  // namespace

CommandFrame BuildProgramFrame(const ProgramSettings& s, std::time_t now) {
  CommandFrame f{};
  const bool continuous = s.periodCode == kPeriodContinuous;
  f[1] = static_cast<std::uint8_t>(kCmdProgram | (s.manualStart ? 0 : kFlagStartByDate) |
                                   (continuous ? kFlagContinuous : 0));
  f[2] = ModeByte(continuous ? 0 : s.periodCode, s.channelCode, s.rangeCode, !s.autoRange);
  PutClock(f, 3, now);
  if (!s.manualStart) PutClock(f, 7, std::max(s.start, now));
  return f;
}

std::string ProgramReport(const CommandFrame& sent, const ReplyFrame& reply, int received) {
  std::string r = "Послано :\t\tПолучено :" + CFormat("   %d  байтов\n", received);
  for (int i = 0; i <= 10; ++i) r += HexBin(sent[i]) + "\t" + HexBin(reply[i]) + "\n";
  r += "\t\t" + HexBin(reply[11]) + "\n\t\t" + HexBin(reply[12]) + "\n";
  r += CFormat("\tCRC :\t%02X   ", reply[13]) + Binary(reply[13]) + "\n";
  return r;
}

ProgramOutcome RunProgram(SerialChannel& channel, const CommandFrame& frame, std::string* lastReport) {
  if (!channel.OpenPort()) return ProgramOutcome::PortFailed;
  Prompts& prompts = channel.GetPrompts();
  ProgramOutcome outcome = ProgramOutcome::Rejected;
  for (;;) {
    channel.SendCommand(frame);
    // A fresh buffer per attempt: the report must not show an earlier reply.
    ReplyFrame reply{};
    const int n = channel.ReadReply(reply, true);
    // The echo counts only when bytes 1..9 really arrived; a cut reply
    // must not pass on the zeros it left behind.
    const bool ok = n >= 9 && EchoMatches(frame, reply);
    const std::string caption = CFormat("Прибор %d", ReplyDeviceNumber(reply));
    const std::string report = ProgramReport(frame, reply, n);
    if (lastReport) *lastReport = report;
    if (ok) {
      prompts.Message("Команду принял правильно", caption, MsgButtons::Ok, MsgIcon::None);
      outcome = ProgramOutcome::Accepted;
      break;
    }
    MsgAnswer a = prompts.Message("Команду принял неправильно !\n" + report,
                                  caption, MsgButtons::RetryCancel, MsgIcon::Exclamation);
    if (a != MsgAnswer::Retry) break;
  }
  channel.ClosePort();
  return outcome;
}

std::time_t StepHours(std::time_t t, int d) { return t + static_cast<std::time_t>(d) * 3600; }

std::time_t StepMinutes(std::time_t t, int d) { return t + static_cast<std::time_t>(d) * 60; }

std::time_t StepDays(std::time_t t, int d) { return AddDays(t, d); }

std::time_t StepMonths(std::time_t t, int d) {
  const LocalTime old = ToLocalTime(t);
  std::time_t u = AddDays(t, 31LL * d - 5);
  u = AddDays(u, 1);
  for (int i = 0; i < kMaxMonthSteps; ++i) {
    LocalTime lt = ToLocalTime(u);
    if (lt.day == old.day || lt.month == old.month) break;
    u = AddDays(u, 1);
  }
  if (ToLocalTime(u).day != old.day) u = AddDays(u, -d);
  return u;
}

std::time_t StepYears(std::time_t t, int d) {
  if (d == 0) return t;
  const LocalTime old = ToLocalTime(t);
  std::time_t u = AddDays(t, 364LL * d);
  for (int i = 0; i < kMaxYearSteps; ++i) {
    LocalTime lt = ToLocalTime(u);
    if (lt.day == old.day && lt.month == old.month) return u;
    u = AddDays(u, d);
  }
  return t;  // no such day within reach: leave the time as it was
}

std::time_t NormalizeStartTime(std::time_t t, std::time_t now) {
  if (t < now) t = now + 60;
  LocalTime lt = ToLocalTime(t);
  if (lt.year > 2100) {
    lt.year = 2100;
    lt.second = 0;
    // 2100 is no leap year: 29 February stays in February as its 28th.
    lt.day = std::min(lt.day, DaysInMonth(2100, lt.month));
    t = FromLocalTime(lt);
  }
  return t;
}

StartTimeTexts FormatStartTime(std::time_t t) {
  LocalTime lt = ToLocalTime(t);
  StartTimeTexts s;
  s.year = CFormat("Год : %d", lt.year);
  s.month = CFormat("Месяц : %s", kMonths[(lt.month + 11) % 12]);
  s.day = CFormat("День : %d (%s)", lt.day, kWeekdays[((lt.weekday % 7) + 7) % 7]);
  s.hour = CFormat("Час : %d", lt.hour);
  s.minute = CFormat("Минута : %d", lt.minute);
  return s;
}

}  // namespace zet
