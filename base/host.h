#pragma once
// The few ways core reaches the outside world: time, the user (message boxes
// and beeps) and long-operation progress. The desktop program implements them
// with Qt, zet-cli on the terminal, tests with scripted doubles.
#include <cstdint>
#include <ctime>
#include <string>

namespace zet {

inline constexpr const char* kAppTitle = "ЗЕТ";

// Calendar breakdown of a local time; weekday 0 = Sunday, month 1..12.
struct LocalTime {
  int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0, weekday = 0;
  bool operator==(const LocalTime&) const = default;
};

LocalTime ToLocalTime(std::time_t t);
// Normalises out-of-range fields like mktime; the second field is used.
std::time_t FromLocalTime(const LocalTime& lt);

class Clock {
 public:
  virtual ~Clock() = default;
  virtual std::time_t Now() = 0;           // wall clock, whole seconds
  virtual std::int64_t MonotonicMs() = 0;  // for time-outs
  virtual void SleepMs(int ms) = 0;
};

class SystemClock : public Clock {
 public:
  std::time_t Now() override;
  std::int64_t MonotonicMs() override;
  void SleepMs(int ms) override;
};

enum class MsgButtons { Ok, OkCancel, YesNo, YesNoCancel, RetryCancel };
enum class MsgIcon { None, Exclamation, Warning, Information, Stop };
enum class MsgAnswer { Ok, Cancel, Yes, No, Retry };

class Prompts {
 public:
  virtual ~Prompts() = default;
  virtual MsgAnswer Message(const std::string& text, const std::string& caption,
                            MsgButtons buttons, MsgIcon icon) = 0;
  virtual void Beep() = 0;  // the default message beep
};

// The progress box of long operations. Open disables the main window until
// Close; SetBarPos and IsCancelled keep the windows serviced.
class Progress {
 public:
  virtual ~Progress() = default;
  virtual bool Open() = 0;  // title "Чтение данных" until SetTitle
  virtual void SetTitle(const std::string& title) = 0;
  virtual void SetBarRange(int lower, int upper) = 0;
  virtual void SetBarPos(int pos) = 0;
  virtual void SetStatusText(const std::string& text) = 0;
  virtual bool IsCancelled() = 0;  // one-shot: reports a press once
  virtual void Close() = 0;
};

inline constexpr const char* kProgressDefaultTitle = "Чтение данных";

// The percent figure of the progress box ("37%"), empty when lower == upper.
std::string ProgressPercentText(int lower, int upper, int pos);

}  // namespace zet
