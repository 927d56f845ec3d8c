#pragma once
// A simulated recorder that the program reaches as its port for one run
// (`zet --simulator`). On POSIX it is served on a pseudo-terminal, opened by
// name like any port; on Windows, which has no pseudo-terminals, it answers
// inside the process through a device of its own.
#include <memory>
#include <string>

#include "base/host.h"
#include "link/serial_device.h"
#include "sim/recorder_sim.h"

namespace zet::sim {

class LocalRecorder {
 public:
  LocalRecorder();
  ~LocalRecorder();
  LocalRecorder(const LocalRecorder&) = delete;
  LocalRecorder& operator=(const LocalRecorder&) = delete;

  // Starts serving; false with a reason when it cannot. `clock` outlives it.
  bool Start(const Options& options, Clock& clock, std::string* error);
  bool Running() const;
  void Stop();  // idempotent

  // The port name to open for it (empty when Device() is to be used instead).
  std::string PortName() const;
  // The in-process line to it, or nullptr when the port is opened by name.
  SerialDevice* Device();

 private:
  struct Impl;
  std::unique_ptr<Impl> d_;
};

}  // namespace zet::sim
