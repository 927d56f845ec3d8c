#pragma once
// An in-process serial device wired to the recorder model. Time passes on the
// given clock: a read that waits for a silent recorder sleeps on it, so on a
// virtual clock the read time-outs cost no real time.
#include <cstdint>
#include <string>
#include <vector>

#include "base/host.h"
#include "link/serial_device.h"
#include "sim/recorder_sim.h"

namespace zet::sim {

class SimSerialDevice : public SerialDevice {
 public:
  SimSerialDevice(RecorderSim& sim, Clock& clock) : sim_(sim), clock_(clock) {}

  bool Open(const std::string& name) override;
  bool Configure(int baud) override;
  bool Write(const std::uint8_t* data, std::size_t n) override;
  std::size_t Read(std::uint8_t* buf, std::size_t n) override;
  bool SetRts(bool on) override;
  bool SetDtr(bool on) override;
  bool Purge() override;
  void Close() override;
  bool IsOpen() const override { return open_; }
  long LastError() const override { return lastError_; }
  bool HungUp() const override { return open_ && sim_.LineGone(); }

  // Test knobs and what happened.
  bool failOpen = false;      // Open fails with ENOENT
  bool failConfigure = false;
  std::vector<std::vector<std::uint8_t>> writes;  // every Write, in order
  std::string openedName;
  int opens = 0, closes = 0, purges = 0;
  bool rts = false, dtr = false;

 private:
  std::int64_t NowUs() { return clock_.MonotonicMs() * 1000; }
  void SleepUntilUs(std::int64_t us);

  RecorderSim& sim_;
  Clock& clock_;
  bool open_ = false;
  long lastError_ = 0;
};

}  // namespace zet::sim
