#pragma once
// One poll of Monitor mode: what the dialog shows after it.
#include <string>

#include "link/serial_channel.h"

namespace zet {

struct MonitorSettings {
  bool autoRange = true;
  int rangeCode = 0;
  int channelCode = 0;
};

struct MonitorPoll {
  enum class Kind { PortFailed, NoAnswer, WrongEcho, Data } kind = Kind::NoAnswer;
  std::string raw;     // raw line
  std::string status;  // status line ("" after good data)
  // Value boxes. After NoAnswer both are empty; after WrongEcho they keep
  // their previous texts (valuesChanged false).
  bool valuesChanged = false;
  std::string value1, value2;
};

// Opens the port when needed (it stays open), polls once, beeps when asked.
// A port that cannot be opened, or hangs up (it is then closed), is
// PortFailed after its port error was shown.
MonitorPoll PollMonitor(SerialChannel& channel, const MonitorSettings& s, bool beep);

}  // namespace zet
