#include "sim/pty_simulator.h"

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace zet::sim {
namespace {

std::int64_t SteadyUs() {
  using namespace std::chrono;
  return duration_cast<microseconds>(steady_clock::now().time_since_epoch()).count();
}

void CloseFd(int& fd) {
  if (fd >= 0) ::close(fd);
  fd = -1;
}

}  // namespace

PtySimulator::~PtySimulator() { Stop(); }

bool PtySimulator::Start(const Options& options, std::string* error) {
  auto fail = [&](const std::string& what) {
    if (error) *error = what + ": " + std::strerror(errno);
    CloseFd(master_);
    CloseFd(slave_);
    CloseFd(wake_[0]);
    CloseFd(wake_[1]);
    return false;
  };
  if (Running()) {
    if (error) *error = "the simulator is already running";
    return false;
  }
  master_ = ::posix_openpt(O_RDWR | O_NOCTTY);
  if (master_ < 0) return fail("posix_openpt");
  if (::grantpt(master_) != 0 || ::unlockpt(master_) != 0) return fail("grantpt/unlockpt");
  char name[128];
  if (::ptsname_r(master_, name, sizeof name) != 0) return fail("ptsname");
  slavePath_ = name;
  // A fresh slave is canonical and echoing: make it a raw byte line, so a
  // program that does not configure it still sees the bytes as sent.
  slave_ = ::open(name, O_RDWR | O_NOCTTY);
  if (slave_ < 0) return fail("open " + slavePath_);
  termios tio{};
  if (::tcgetattr(slave_, &tio) == 0) {
    ::cfmakeraw(&tio);
    ::tcsetattr(slave_, TCSANOW, &tio);
  }
  if (::tcgetattr(master_, &tio) == 0) {
    ::cfmakeraw(&tio);
    ::tcsetattr(master_, TCSANOW, &tio);
  }
  int fl = ::fcntl(master_, F_GETFL);
  if (fl < 0 || ::fcntl(master_, F_SETFL, fl | O_NONBLOCK) != 0) return fail("fcntl");
  if (::pipe(wake_) != 0) return fail("pipe");
  sim_ = std::make_unique<RecorderSim>(options);
  stop_ = false;
  thread_ = std::thread([this] { Serve(); });
  return true;
}

void PtySimulator::Stop() {
  if (thread_.joinable()) {
    stop_ = true;
    char c = 1;
    [[maybe_unused]] auto r = ::write(wake_[1], &c, 1);
    thread_.join();
  }
  CloseFd(master_);
  CloseFd(slave_);
  CloseFd(wake_[0]);
  CloseFd(wake_[1]);
}

void PtySimulator::Serve() {
  std::vector<std::uint8_t> pending;  // answer bytes due but not yet taken by the pty
  std::size_t sent = 0;
  std::uint8_t buf[4096];
  while (!stop_) {
    std::int64_t now = SteadyUs();
    if (sent == pending.size()) {
      pending.clear();
      sent = 0;
      std::size_t k;
      while ((k = sim_->Take(buf, sizeof buf, now)) > 0) pending.insert(pending.end(), buf, buf + k);
    }
    while (sent < pending.size()) {
      ssize_t w = ::write(master_, pending.data() + sent, pending.size() - sent);
      if (w > 0) {
        sent += static_cast<std::size_t>(w);
      } else if (w < 0 && errno == EINTR) {
        continue;
      } else {
        break;  // the slave's queue is full: wait for room
      }
    }
    blocksSent_ = sim_->BlocksSent();
    framesReceived_ = sim_->FramesReceived();
    if (sim_->LineGone()) {
      // As if the cable were pulled: both ends of the pseudo-terminal go,
      // so the program's side reads a hang-up.
      CloseFd(master_);
      CloseFd(slave_);
      break;
    }

    int timeout = 200;
    if (sent == pending.size()) {
      if (auto next = sim_->NextByteAt()) {
        std::int64_t wait = *next - SteadyUs();
        timeout = wait <= 0 ? 0 : static_cast<int>(std::min<std::int64_t>((wait + 999) / 1000, 200));
      }
    }
    pollfd fds[2] = {{master_, static_cast<short>(POLLIN | (sent < pending.size() ? POLLOUT : 0)), 0},
                     {wake_[0], POLLIN, 0}};
    int r = ::poll(fds, 2, timeout);
    if (r < 0) {
      if (errno == EINTR) continue;
      break;
    }
    if (fds[1].revents) break;
    if (fds[0].revents & POLLIN) {
      ssize_t n = ::read(master_, buf, sizeof buf);
      if (n > 0) sim_->Receive(buf, static_cast<std::size_t>(n), SteadyUs());
    } else if (fds[0].revents & (POLLHUP | POLLERR)) {
      // No slave open (cannot happen while we hold one); avoid spinning.
      ::usleep(20000);
    }
  }
}

}  // namespace zet::sim
