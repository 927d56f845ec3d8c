#pragma once
// The serial device on a POSIX terminal: a real port, a USB adapter or a
// pseudo-terminal (the simulator). Reads follow the recorder link's time-outs.
#include <csignal>
#include <string>

#include "link/serial_device.h"

namespace zet {

class PosixSerialDevice : public SerialDevice {
 public:
  PosixSerialDevice() = default;
  ~PosixSerialDevice() override { Close(); }
  PosixSerialDevice(const PosixSerialDevice&) = delete;
  PosixSerialDevice& operator=(const PosixSerialDevice&) = delete;

  bool Open(const std::string& name) override;
  bool Configure(int baud) override;
  bool Write(const std::uint8_t* data, std::size_t n) override;
  std::size_t Read(std::uint8_t* buf, std::size_t n) override;
  bool SetRts(bool on) override;
  bool SetDtr(bool on) override;
  bool Purge() override;
  void Close() override;
  bool IsOpen() const override { return fd_ >= 0; }
  long LastError() const override { return error_; }
  bool HungUp() const override { return hungUp_; }

  // Shorter waits for tests on a pseudo-terminal; the defaults are the link's.
  void SetTimeouts(int totalMs, int perByteMs, int intervalMs) {
    totalMs_ = totalMs;
    perByteMs_ = perByteMs;
    intervalMs_ = intervalMs;
  }

  // A read or write interrupted by a signal ends early when *flag is set (a
  // command-line program's Ctrl-C); otherwise it waits on.
  void SetInterruptFlag(const volatile sig_atomic_t* flag) { interrupt_ = flag; }

  // "COM1:".."COM6:" (any case) -> /dev/ttyS0../dev/ttyS5; a name starting
  // with "/" as it stands; anything else has no device (empty result).
  static std::string DevicePath(const std::string& name);

 private:
  bool Fail();  // keeps errno as the last error, returns false
  bool SetModemLine(int line, bool on);

  int fd_ = -1;
  bool pty_ = false;
  bool hungUp_ = false;
  const volatile sig_atomic_t* interrupt_ = nullptr;
  long error_ = 0;
  int totalMs_ = kTotalTimeoutMs;
  int perByteMs_ = kPerByteTimeoutMs;
  int intervalMs_ = kIntervalTimeoutMs;
};

// Sets a line rate the fixed Bxxx constants do not cover (10416) through
// termios2; lives in its own file because <asm/termbits.h> and <termios.h>
// clash. Returns 0 or an errno value.
int SetCustomBaudRate(int fd, int baud);

}  // namespace zet
