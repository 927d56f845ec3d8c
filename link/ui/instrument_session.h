#pragma once
// The desktop program's line to the recorder: the serial device, the system
// clock and the channel over them, and for `zet --simulator` a simulated
// recorder that stands in for the port during this run.
#include <memory>
#include <string>

namespace zet {
class AppSettings;
class Prompts;
class SerialChannel;
class Clock;
}  // namespace zet

class InstrumentSession {
 public:
  InstrumentSession(zet::AppSettings& settings, zet::Prompts& prompts);
  ~InstrumentSession();
  InstrumentSession(const InstrumentSession&) = delete;
  InstrumentSession& operator=(const InstrumentSession&) = delete;

  // Starts the simulated recorder with a survey-like memory and points the
  // port at it for this run only (nothing is stored). Called before the
  // first Channel(). False with a reason when it cannot start; the settings
  // are then left as they were.
  bool StartSimulator(std::string* error);
  bool SimulatorRunning() const;

  zet::SerialChannel& Channel();
  zet::Clock& GetClock();

 private:
  struct Impl;
  std::unique_ptr<Impl> d_;
};
