#include "link/tracing_serial_device.h"

#include <string>

namespace zet {

namespace {
// Long reads (download blocks) show their first bytes only.
constexpr std::size_t kShownBytes = 32;
}  // namespace

bool TracingSerialDevice::Log(bool ok, const char* what, const std::string& arg) {
  std::fprintf(out_, "%s%s%s", what, arg.empty() ? "" : " ", arg.c_str());
  if (!ok) std::fprintf(out_, " failed (error %ld)", inner_.LastError());
  std::fputc('\n', out_);
  std::fflush(out_);
  return ok;
}

void TracingSerialDevice::Bytes(const std::uint8_t* data, std::size_t n) {
  for (std::size_t i = 0; i < n && i < kShownBytes; ++i) std::fprintf(out_, " %02X", data[i]);
  if (n > kShownBytes) std::fputs(" ...", out_);
}

bool TracingSerialDevice::Open(const std::string& name) { return Log(inner_.Open(name), "open", name); }

bool TracingSerialDevice::Configure(int baud) {
  return Log(inner_.Configure(baud), "configure", std::to_string(baud));
}

bool TracingSerialDevice::Write(const std::uint8_t* data, std::size_t n) {
  const bool ok = inner_.Write(data, n);
  std::fputs("write", out_);
  Bytes(data, n);
  return Log(ok, "");
}

std::size_t TracingSerialDevice::Read(std::uint8_t* buf, std::size_t n) {
  const std::size_t got = inner_.Read(buf, n);
  std::fprintf(out_, "read %zu: %zu", n, got);
  Bytes(buf, got);
  Log(got > 0 || !inner_.HungUp(), inner_.HungUp() ? " hang-up" : "");
  return got;
}

bool TracingSerialDevice::SetRts(bool on) { return Log(inner_.SetRts(on), on ? "rts 1" : "rts 0"); }

bool TracingSerialDevice::SetDtr(bool on) { return Log(inner_.SetDtr(on), on ? "dtr 1" : "dtr 0"); }

bool TracingSerialDevice::Purge() { return Log(inner_.Purge(), "purge"); }

void TracingSerialDevice::Close() {
  inner_.Close();
  Log(true, "close");
}

}  // namespace zet
