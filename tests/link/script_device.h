#pragma once
// A serial device that plays the recorder's side from a script on the virtual
// clock: bytes queued by the test (or by a responder reacting to what the
// program wrote) are delivered at once, and every wait for bytes that never
// come advances the clock by the time-out the real port would spend.
#include <cerrno>
#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "link/serial_device.h"
#include "support/fakes.h"

namespace zet::testing {

class ScriptDevice : public SerialDevice {
 public:
  explicit ScriptDevice(VirtualClock& clock) : clock_(clock) {}

  bool Open(const std::string& name) override {
    log.push_back("open " + name);
    if (openError) return Fail(openError);
    open_ = true;
    return true;
  }
  bool Configure(int baud) override {
    log.push_back("configure " + std::to_string(baud));
    if (configureError) return Fail(configureError);
    return true;
  }
  bool Write(const std::uint8_t* data, std::size_t n) override {
    std::vector<std::uint8_t> bytes(data, data + n);
    std::string entry = "write";
    for (std::uint8_t b : bytes) entry += ' ' + Hex(b);
    log.push_back(entry);
    if (writeError) return Fail(writeError);
    writes.push_back(bytes);
    if (onWrite) onWrite(bytes);
    return true;
  }
  std::size_t Read(std::uint8_t* buf, std::size_t n) override {
    ++reads;
    if (hungUp) {
      lastError_ = EIO;
      return 0;
    }
    std::size_t got = 0;
    while (got < n && !input.empty()) {
      buf[got++] = input.front();
      input.pop_front();
    }
    if (got == 0)
      clock_.Advance(kTotalTimeoutMs + static_cast<std::int64_t>(kPerByteTimeoutMs) * n);
    else if (got < n)
      clock_.Advance(kIntervalTimeoutMs);
    return got;
  }
  bool SetRts(bool on) override {
    log.push_back(on ? "rts 1" : "rts 0");
    return true;
  }
  bool SetDtr(bool on) override {
    log.push_back(on ? "dtr 1" : "dtr 0");
    return true;
  }
  bool Purge() override {
    log.push_back("purge");
    input.clear();
    return true;
  }
  void Close() override {
    log.push_back("close");
    open_ = false;
  }
  bool IsOpen() const override { return open_; }
  long LastError() const override { return lastError_; }
  bool HungUp() const override { return hungUp; }

  void Feed(const std::vector<std::uint8_t>& bytes) { input.insert(input.end(), bytes.begin(), bytes.end()); }

  static std::string Hex(std::uint8_t b) {
    static const char* d = "0123456789ABCDEF";
    return {d[b >> 4], d[b & 15]};
  }

  std::deque<std::uint8_t> input;                 // what the recorder has sent, not yet read
  std::vector<std::string> log;                   // every call but reads, in order
  std::vector<std::vector<std::uint8_t>> writes;  // every successful write
  std::function<void(const std::vector<std::uint8_t>&)> onWrite;
  int reads = 0;
  int openError = 0, configureError = 0, writeError = 0;  // errno to fail with
  bool hungUp = false;  // the line is gone: reads give nothing

 private:
  bool Fail(int err) {
    lastError_ = err;
    return false;
  }

  VirtualClock& clock_;
  bool open_ = false;
  long lastError_ = 0;
};

}  // namespace zet::testing
