#pragma once
// A serial device as the link sees it. The system's port drives a real port
// (or, on POSIX, a pseudo-terminal); tests use an in-process device on a
// virtual clock.
#include <cstddef>
#include <cstdint>
#include <string>

namespace zet {

class SerialDevice {
 public:
  virtual ~SerialDevice() = default;
  // Opens the named port ("COM1:" .. "COM6:", or a system device name) for
  // reading and writing, exclusively.
  virtual bool Open(const std::string& name) = 0;
  // 8 data bits, even parity, 1 stop bit, raw, at the given rate (10416).
  virtual bool Configure(int baud) = 0;
  virtual bool Write(const std::uint8_t* data, std::size_t n) = 0;
  // Reads up to n bytes. Ends when n bytes are in, after 5000 + 10*n ms in all,
  // or after 2000 ms of silence between two bytes. Returns the count read.
  virtual std::size_t Read(std::uint8_t* buf, std::size_t n) = 0;
  // Modem lines; a device without them (a pseudo-terminal) succeeds quietly.
  virtual bool SetRts(bool on) = 0;
  virtual bool SetDtr(bool on) = 0;
  virtual bool Purge() = 0;  // discard both directions
  virtual void Close() = 0;
  virtual bool IsOpen() const = 0;
  virtual long LastError() const = 0;  // the system's code of the last failure (errno; GetLastError on Windows)
  // The line is gone for good (adapter pulled, far end of a pseudo-terminal
  // closed): nothing more will come until the device is opened again.
  virtual bool HungUp() const { return false; }
};

// The system's device behind a port name; empty for a name that names none.
// POSIX: "COM1:".."COM6:" (any case) -> /dev/ttyS0../dev/ttyS5, a name
// starting with "/" as it stands. Windows: "COM1:".."COM6:" as they stand,
// any other "COMn" or "COMn:" (n up to 255) -> "\\.\COMn", a name starting
// with "\\.\" as it stands.
std::string SystemDeviceName(const std::string& name);

inline constexpr int kTotalTimeoutMs = 5000;
inline constexpr int kPerByteTimeoutMs = 10;
inline constexpr int kIntervalTimeoutMs = 2000;

}  // namespace zet
