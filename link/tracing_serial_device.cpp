#include "link/tracing_serial_device.h"

#include <string>

namespace zet {

namespace {

// Long reads (download blocks) show their first bytes only.
constexpr std::size_t kShownBytes = 32;

std::string Hex(const std::uint8_t* data, std::size_t n) {
  std::string s;
  char b[4];
  for (std::size_t i = 0; i < n && i < kShownBytes; ++i) {
    std::snprintf(b, sizeof b, " %02X", data[i]);
    s += b;
  }
  if (n > kShownBytes) s += " ...";
  return s;
}

}  // namespace

bool TracingSerialDevice::Line(bool ok, const std::string& text) {
  std::fputs(text.c_str(), out_);
  if (!ok) std::fprintf(out_, " failed (error %ld)", inner_.LastError());
  std::fputc('\n', out_);
  std::fflush(out_);
  return ok;
}

bool TracingSerialDevice::Open(const std::string& name) { return Line(inner_.Open(name), "open " + name); }

bool TracingSerialDevice::Configure(int baud) {
  return Line(inner_.Configure(baud), "configure " + std::to_string(baud));
}

bool TracingSerialDevice::Write(const std::uint8_t* data, std::size_t n) {
  return Line(inner_.Write(data, n), "write" + Hex(data, n));
}

std::size_t TracingSerialDevice::Read(std::uint8_t* buf, std::size_t n) {
  const std::size_t got = inner_.Read(buf, n);
  Line(true, "read " + std::to_string(n) + ": " + std::to_string(got) + Hex(buf, got) +
                 (inner_.HungUp() ? " hang-up" : ""));
  return got;
}

bool TracingSerialDevice::SetRts(bool on) { return Line(inner_.SetRts(on), on ? "rts 1" : "rts 0"); }

bool TracingSerialDevice::SetDtr(bool on) { return Line(inner_.SetDtr(on), on ? "dtr 1" : "dtr 0"); }

bool TracingSerialDevice::Purge() { return Line(inner_.Purge(), "purge"); }

void TracingSerialDevice::Close() {
  inner_.Close();
  Line(true, "close");
}

}  // namespace zet
