#pragma once
// A serial device that writes down every operation on the one it wraps: the
// line levels asked for, purges, the bytes sent and what the reads brought.
// For finding out in the field why a recorder does not answer (a cable or
// adapter that needs DTR, say).
#include <cstdio>
#include <string>

#include "link/serial_device.h"

namespace zet {

class TracingSerialDevice : public SerialDevice {
 public:
  // out stays the caller's; every line is flushed as it is written.
  TracingSerialDevice(SerialDevice& inner, std::FILE* out) : inner_(inner), out_(out) {}

  bool Open(const std::string& name) override;
  bool Configure(int baud) override;
  bool Write(const std::uint8_t* data, std::size_t n) override;
  std::size_t Read(std::uint8_t* buf, std::size_t n) override;
  bool SetRts(bool on) override;
  bool SetDtr(bool on) override;
  bool Purge() override;
  void Close() override;
  bool IsOpen() const override { return inner_.IsOpen(); }
  long LastError() const override { return inner_.LastError(); }
  bool HungUp() const override { return inner_.HungUp(); }

 private:
  bool Line(bool ok, const std::string& text);  // one line of the trace; returns ok

  SerialDevice& inner_;
  std::FILE* out_;
};

}  // namespace zet
