// The simulated recorder served on a pseudo-terminal.
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <cstdint>
#include <numeric>
#include <vector>

#include <gtest/gtest.h>

#include "sim/pty_simulator.h"
#include "sim/recorder_sim.h"

namespace zet::sim {
namespace {

using Bytes = std::vector<std::uint8_t>;

const Bytes kReadMemory(11, 0);

std::uint8_t Sum(const std::uint8_t* p, std::size_t n) {
  return static_cast<std::uint8_t>(std::accumulate(p, p + n, 0u));
}

std::size_t ReadFd(int fd, std::uint8_t* buf, std::size_t n, int timeoutMs) {
  std::size_t got = 0;
  while (got < n) {
    pollfd p{fd, POLLIN, 0};
    if (::poll(&p, 1, timeoutMs) <= 0) break;
    ssize_t r = ::read(fd, buf + got, n - got);
    if (r <= 0) break;
    got += static_cast<std::size_t>(r);
  }
  return got;
}

TEST(PtySimulator, ServesTheRecorderOnARawSlave) {
  PtySimulator pty;
  Options o;
  // Bytes that a cooked line would mangle (CR, ^C, ^D, LF) must pass unchanged.
  o.image.bytes.assign({0x0D, 0x03, 0x04, 0x0A});
  std::string err;
  ASSERT_TRUE(pty.Start(o, &err)) << err;
  ASSERT_EQ(pty.SlavePath().rfind("/dev/pts/", 0), 0u);
  int fd = ::open(pty.SlavePath().c_str(), O_RDWR | O_NOCTTY);
  ASSERT_GE(fd, 0);
  ASSERT_EQ(::write(fd, kReadMemory.data(), 11), 11);
  std::uint8_t buf[32];
  ASSERT_EQ(ReadFd(fd, buf, 17 + 4 + 1, 3000), 22u);
  EXPECT_EQ(Bytes(buf + 17, buf + 21), o.image.bytes);
  EXPECT_EQ(buf[21], Sum(o.image.bytes.data(), 4));
  ::close(fd);
  pty.Stop();
  EXPECT_FALSE(pty.Running());
}

}  // namespace
}  // namespace zet::sim
