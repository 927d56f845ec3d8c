#include "link/system_serial_device.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstring>

namespace zet {
namespace {

std::int64_t NowMs() {
  using namespace std::chrono;
  return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

int PollMs(std::int64_t ms) { return ms > INT_MAX ? INT_MAX : static_cast<int>(ms < 0 ? 0 : ms); }

// Unix98 pseudo-terminal slaves (/dev/pts/N) have majors 136..143.
bool IsPseudoTerminal(int fd) {
  struct stat st {};
  if (fstat(fd, &st) != 0 || !S_ISCHR(st.st_mode)) return false;
  const unsigned m = major(st.st_rdev);
  if (m >= 136 && m <= 143) return true;
  const char* name = ttyname(fd);
  return name && std::strncmp(name, "/dev/pts/", 9) == 0;
}

bool IsUnsupported(int err) { return err == ENOTTY || err == EINVAL; }

}  // namespace

bool SystemSerialDevice::IsOpen() const { return fd_ >= 0; }

std::string SystemDeviceName(const std::string& name) {
  if (!name.empty() && name[0] == '/') return name;
  if (name.size() == 5 && (name[0] == 'c' || name[0] == 'C') && (name[1] == 'o' || name[1] == 'O') &&
      (name[2] == 'm' || name[2] == 'M') && name[3] >= '1' && name[3] <= '6' && name[4] == ':')
    return "/dev/ttyS" + std::string(1, static_cast<char>(name[3] - 1));
  return {};
}

bool SystemSerialDevice::Fail() {
  error_ = errno;
  if (error_ == EIO || error_ == ENXIO || error_ == ENODEV) hungUp_ = true;
  return false;
}

bool SystemSerialDevice::Open(const std::string& name) {
  Close();
  const std::string path = SystemDeviceName(name);
  if (path.empty()) {
    error_ = ENOENT;
    return false;
  }
  const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return Fail();
  if (!isatty(fd)) {
    error_ = ENOTTY;
    ::close(fd);
    return false;
  }
  // TIOCEXCL keeps out other openers (root excepted); the lock covers those
  // and other instances of this program.
  if (ioctl(fd, TIOCEXCL) != 0 && !IsUnsupported(errno)) {
    error_ = errno;
    ::close(fd);
    return false;
  }
  if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
    error_ = (errno == EWOULDBLOCK) ? EBUSY : errno;
    ::close(fd);
    return false;
  }
  fd_ = fd;
  pty_ = IsPseudoTerminal(fd);
  hungUp_ = false;
  return true;
}

bool SystemSerialDevice::Configure(int baud) {
  if (fd_ < 0) {
    error_ = EBADF;
    return false;
  }
  if (baud <= 0) {
    error_ = EINVAL;
    return false;
  }
  struct termios tio {};
  if (tcgetattr(fd_, &tio) != 0) return Fail();
  cfmakeraw(&tio);
  tio.c_cflag &= ~(CSIZE | CSTOPB | PARODD | CRTSCTS);
  tio.c_cflag |= CS8 | PARENB | CLOCAL | CREAD;
  tio.c_iflag &= ~(IXON | IXOFF | IXANY);
  tio.c_cc[VMIN] = 0;
  tio.c_cc[VTIME] = 0;
  if (tcsetattr(fd_, TCSANOW, &tio) != 0) {
    // A pseudo-terminal may refuse the hardware bits; it has no line anyway.
    if (!(pty_ && IsUnsupported(errno))) return Fail();
  }
  const int err = SetCustomBaudRate(fd_, baud);
  if (err != 0 && !(pty_ && IsUnsupported(err))) {
    error_ = err;
    return false;
  }
  return true;
}

bool SystemSerialDevice::Write(const std::uint8_t* data, std::size_t n) {
  if (fd_ < 0) {
    error_ = EBADF;
    return false;
  }
  // Writes are tiny (a frame or an acknowledgement); a peer that takes nothing
  // for this long is gone, and the program must not hang on it.
  const std::int64_t deadline = NowMs() + totalMs_ + static_cast<std::int64_t>(perByteMs_) * n;
  std::size_t done = 0;
  while (done < n) {
    const ssize_t w = ::write(fd_, data + done, n - done);
    if (w > 0) {
      done += static_cast<std::size_t>(w);
      continue;
    }
    if (w < 0 && errno == EINTR) continue;
    if (w < 0 && errno != EAGAIN && errno != EWOULDBLOCK) return Fail();
    const std::int64_t left = deadline - NowMs();
    if (left <= 0) {
      error_ = ETIMEDOUT;
      return false;
    }
    pollfd p{fd_, POLLOUT, 0};
    const int r = poll(&p, 1, PollMs(left));
    if (r < 0 && errno == EINTR && interrupt_ && *interrupt_) {
      error_ = EINTR;
      return false;
    }
    if (r < 0 && errno != EINTR) return Fail();
    if (r > 0 && (p.revents & (POLLERR | POLLHUP | POLLNVAL)) && !(p.revents & POLLOUT)) {
      error_ = EIO;
      hungUp_ = true;
      return false;
    }
  }
  return true;
}

std::size_t SystemSerialDevice::Read(std::uint8_t* buf, std::size_t n) {
  if (fd_ < 0) {
    error_ = EBADF;
    return 0;
  }
  if (n == 0) return 0;
  const std::int64_t start = NowMs();
  const std::int64_t totalEnd = start + totalMs_ + static_cast<std::int64_t>(perByteMs_) * n;
  std::int64_t lastByte = 0;
  std::size_t got = 0;
  while (got < n) {
    const std::int64_t now = NowMs();
    std::int64_t left = totalEnd - now;
    if (got > 0) left = std::min(left, lastByte + intervalMs_ - now);
    if (left <= 0) break;
    pollfd p{fd_, POLLIN, 0};
    const int r = poll(&p, 1, PollMs(left));
    if (r < 0) {
      if (errno == EINTR && !(interrupt_ && *interrupt_)) continue;
      if (errno != EINTR) Fail();
      break;
    }
    if (r == 0) continue;
    if (p.revents & POLLIN) {
      const ssize_t k = ::read(fd_, buf + got, n - got);
      if (k > 0) {
        got += static_cast<std::size_t>(k);
        lastByte = NowMs();
        continue;
      }
      if (k < 0 && (errno == EINTR || errno == EAGAIN || errno == EWOULDBLOCK)) continue;
      if (k < 0) {
        Fail();
        break;
      }
    }
    // Hang-up (the far end of a pseudo-terminal closed) or an error: nothing
    // more will come, so waiting out the time-out would only freeze the caller.
    if (p.revents & (POLLHUP | POLLERR | POLLNVAL)) {
      error_ = EIO;
      hungUp_ = true;
      break;
    }
  }
  return got;
}

bool SystemSerialDevice::SetModemLine(int line, bool on) {
  if (fd_ < 0) {
    error_ = EBADF;
    return false;
  }
  if (ioctl(fd_, on ? TIOCMBIS : TIOCMBIC, &line) != 0) {
    if (IsUnsupported(errno)) return true;  // no modem lines here (pseudo-terminal)
    return Fail();
  }
  return true;
}

bool SystemSerialDevice::SetRts(bool on) { return SetModemLine(TIOCM_RTS, on); }

bool SystemSerialDevice::SetDtr(bool on) { return SetModemLine(TIOCM_DTR, on); }

bool SystemSerialDevice::Purge() {
  if (fd_ < 0) {
    error_ = EBADF;
    return false;
  }
  if (tcflush(fd_, TCIOFLUSH) != 0) return Fail();
  return true;
}

void SystemSerialDevice::Close() {
  if (fd_ < 0) return;
  ::close(fd_);  // also drops the lock
  fd_ = -1;
  pty_ = false;
}

}  // namespace zet
