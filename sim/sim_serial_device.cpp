#include "sim/sim_serial_device.h"

#include <algorithm>
#include <cerrno>

namespace zet::sim {

bool SimSerialDevice::Open(const std::string& name) {
  if (failOpen) {
    lastError_ = ENOENT;
    return false;
  }
  openedName = name;
  open_ = true;
  ++opens;
  return true;
}

bool SimSerialDevice::Configure(int) {
  if (failConfigure) {
    lastError_ = EINVAL;
    return false;
  }
  return open_;
}

bool SimSerialDevice::Write(const std::uint8_t* data, std::size_t n) {
  if (!open_) {
    lastError_ = EBADF;
    return false;
  }
  if (sim_.LineGone()) {
    lastError_ = EIO;
    return false;
  }
  writes.emplace_back(data, data + n);
  sim_.Receive(data, n, NowUs());
  return true;
}

void SimSerialDevice::SleepUntilUs(std::int64_t us) {
  std::int64_t now = NowUs();
  if (us <= now) return;
  // Whole milliseconds, rounded up so the byte is surely there afterwards.
  clock_.SleepMs(static_cast<int>((us - now + 999) / 1000));
}

std::size_t SimSerialDevice::Read(std::uint8_t* buf, std::size_t n) {
  if (!open_ || n == 0) return 0;
  if (sim_.LineGone()) {
    lastError_ = EIO;
    return 0;
  }
  const std::int64_t start = NowUs();
  const std::int64_t deadline =
      start + (std::int64_t{kTotalTimeoutMs} + std::int64_t{kPerByteTimeoutMs} * static_cast<std::int64_t>(n)) * 1000;
  std::size_t got = 0;
  std::int64_t lastByte = start;
  for (;;) {
    std::size_t k = sim_.Take(buf + got, n - got, NowUs());
    if (k > 0) {
      got += k;
      lastByte = NowUs();
    }
    if (got == n) return got;
    std::int64_t limit = deadline;
    if (got > 0) limit = std::min(limit, lastByte + std::int64_t{kIntervalTimeoutMs} * 1000);
    auto next = sim_.NextByteAt();
    if (next && *next <= limit) {
      SleepUntilUs(*next);
      continue;
    }
    SleepUntilUs(limit);
    return got;
  }
}

bool SimSerialDevice::SetRts(bool on) {
  rts = on;
  return true;
}

bool SimSerialDevice::SetDtr(bool on) {
  dtr = on;
  return true;
}

bool SimSerialDevice::Purge() {
  ++purges;
  sim_.DiscardArrived(NowUs());
  return true;
}

void SimSerialDevice::Close() {
  if (open_) ++closes;
  open_ = false;
}

}  // namespace zet::sim
