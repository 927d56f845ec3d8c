#pragma once
// The system's serial port: on POSIX a terminal device (a real port, a USB
// adapter or the simulator's pseudo-terminal), on Windows a COM port through
// the Win32 communications calls. Reads follow the recorder link's time-outs.
// One class, two twins: system_serial_device_posix.cpp, system_serial_device_win.cpp.
#include <csignal>
#include <string>

#include "link/serial_device.h"

namespace zet {

class SystemSerialDevice : public SerialDevice {
 public:
  SystemSerialDevice() = default;
  ~SystemSerialDevice() override { Close(); }
  SystemSerialDevice(const SystemSerialDevice&) = delete;
  SystemSerialDevice& operator=(const SystemSerialDevice&) = delete;

  bool Open(const std::string& name) override;
  bool Configure(int baud) override;
  bool Write(const std::uint8_t* data, std::size_t n) override;
  std::size_t Read(std::uint8_t* buf, std::size_t n) override;
  bool SetRts(bool on) override;
  bool SetDtr(bool on) override;
  bool Purge() override;
  void Close() override;
  bool IsOpen() const override;
  long LastError() const override { return error_; }
  bool HungUp() const override { return hungUp_; }

  // Shorter waits for tests on a pseudo-terminal; the defaults are the link's.
  void SetTimeouts(int totalMs, int perByteMs, int intervalMs) {
    totalMs_ = totalMs;
    perByteMs_ = perByteMs;
    intervalMs_ = intervalMs;
  }

  // A read or write interrupted by a signal (on Windows: a console Ctrl+C)
  // ends early when *flag is set; otherwise it waits on.
  void SetInterruptFlag(const volatile sig_atomic_t* flag) { interrupt_ = flag; }

 private:
  bool Fail();  // keeps the system's error code as the last error, returns false
  bool SetModemLine(int line, bool on);

#ifdef _WIN32
  void* handle_ = nullptr;  // HANDLE; nullptr when closed
#else
  int fd_ = -1;
  bool pty_ = false;
#endif
  bool hungUp_ = false;
  const volatile sig_atomic_t* interrupt_ = nullptr;
  long error_ = 0;
  int totalMs_ = kTotalTimeoutMs;
  int perByteMs_ = kPerByteTimeoutMs;
  int intervalMs_ = kIntervalTimeoutMs;
};

#ifndef _WIN32
// Sets a line rate the fixed Bxxx constants do not cover (10416) through
// termios2; lives in its own file because <asm/termbits.h> and <termios.h>
// clash. Returns 0 or an errno value.
int SetCustomBaudRate(int fd, int baud);
#else
// Ends a read that is waiting on the port now, from another thread (a console
// Ctrl+C handler runs on one of its own); the read returns what it has.
void CancelSerialWaits();
#endif

}  // namespace zet
