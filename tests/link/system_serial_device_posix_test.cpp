#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <thread>

#include <gtest/gtest.h>

#include "base/settings.h"
#include "base/settings_store.h"
#include "link/download.h"
#include "link/system_serial_device.h"
#include "link/serial_channel.h"
#include "sim/pty_simulator.h"
#include "support/fakes.h"

namespace zet {
namespace {

// The recorder's end of a pseudo-terminal pair, in raw mode.
class PtyMaster {
 public:
  PtyMaster() {
    fd_ = posix_openpt(O_RDWR | O_NOCTTY);
    if (fd_ < 0 || grantpt(fd_) != 0 || unlockpt(fd_) != 0) return;
    termios t{};
    tcgetattr(fd_, &t);
    cfmakeraw(&t);
    tcsetattr(fd_, TCSANOW, &t);
    const char* name = ptsname(fd_);
    if (name) slave_ = name;
  }
  ~PtyMaster() {
    if (fd_ >= 0) close(fd_);
  }
  bool Ok() const { return !slave_.empty(); }
  const std::string& Slave() const { return slave_; }
  void Send(const std::vector<std::uint8_t>& b) { ASSERT_EQ(write(fd_, b.data(), b.size()), ssize_t(b.size())); }
  std::vector<std::uint8_t> Receive(std::size_t n) {
    std::vector<std::uint8_t> b(n);
    std::size_t got = 0;
    for (int tries = 0; got < n && tries < 200; ++tries) {
      ssize_t k = read(fd_, b.data() + got, n - got);
      if (k > 0)
        got += static_cast<std::size_t>(k);
      else
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    b.resize(got);
    return b;
  }
  void NonBlocking() { fcntl(fd_, F_SETFL, fcntl(fd_, F_GETFL) | O_NONBLOCK); }

 private:
  int fd_ = -1;
  std::string slave_;
};

TEST(SystemSerialDevice, NamesMapToDevices) {
  EXPECT_EQ(SystemDeviceName("COM1:"), "/dev/ttyS0");
  EXPECT_EQ(SystemDeviceName("com6:"), "/dev/ttyS5");
  EXPECT_EQ(SystemDeviceName("/dev/ttyUSB0"), "/dev/ttyUSB0");
  EXPECT_EQ(SystemDeviceName("COM7:"), "");
  EXPECT_EQ(SystemDeviceName("COM1"), "");
  EXPECT_EQ(SystemDeviceName("ttyS0"), "");
  EXPECT_EQ(SystemDeviceName(""), "");
}

TEST(SystemSerialDevice, MissingDeviceFailsWithItsErrno) {
  SystemSerialDevice dev;
  EXPECT_FALSE(dev.Open("/dev/zet-no-such-port"));
  EXPECT_EQ(dev.LastError(), ENOENT);
  EXPECT_FALSE(dev.Open("LPT1:"));
  EXPECT_EQ(dev.LastError(), ENOENT);
  EXPECT_FALSE(dev.IsOpen());
  // Not a terminal at all.
  EXPECT_FALSE(dev.Open("/dev/null"));
  EXPECT_EQ(dev.LastError(), ENOTTY);
}

TEST(SystemSerialDevice, PseudoTerminalCarriesTheExchange) {
  PtyMaster master;
  ASSERT_TRUE(master.Ok());
  master.NonBlocking();
  SystemSerialDevice dev;
  ASSERT_TRUE(dev.Open(master.Slave())) << dev.LastError();
  ASSERT_TRUE(dev.Configure(10416)) << dev.LastError();
  EXPECT_TRUE(dev.SetRts(true));
  EXPECT_TRUE(dev.SetDtr(false));
  dev.SetTimeouts(300, 1, 100);

  const std::vector<std::uint8_t> frame{0x00, 0x80, 0xD3, 1, 2, 3, 4, 0, 0, 0, 0};
  ASSERT_TRUE(dev.Write(frame.data(), frame.size()));
  EXPECT_EQ(master.Receive(11), frame);

  // Bytes pass untouched in raw mode (no CR/LF translation, no flow control bytes eaten).
  const std::vector<std::uint8_t> reply{0x0D, 0x00, 0x0A, 0x11, 0x13, 0x03, 0xFF, 0x7F};
  master.Send(reply);
  std::vector<std::uint8_t> got(reply.size());
  EXPECT_EQ(dev.Read(got.data(), got.size()), reply.size());
  EXPECT_EQ(got, reply);

  // A short answer ends at the silence after its last byte.
  master.Send({0x42});
  std::uint8_t buf[4] = {};
  EXPECT_EQ(dev.Read(buf, 4), 1u);
  EXPECT_EQ(buf[0], 0x42);
  EXPECT_EQ(dev.Read(buf, 1), 0u);  // silence

  master.Send({1, 2, 3});
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  EXPECT_TRUE(dev.Purge());
  EXPECT_EQ(dev.Read(buf, 1), 0u);
}

TEST(SystemSerialDevice, SecondOpenOfABusyPortFails) {
  PtyMaster master;
  ASSERT_TRUE(master.Ok());
  SystemSerialDevice first, second;
  ASSERT_TRUE(first.Open(master.Slave()));
  EXPECT_FALSE(second.Open(master.Slave()));
  EXPECT_EQ(second.LastError(), EBUSY);
  first.Close();
  EXPECT_TRUE(second.Open(master.Slave()));
}

TEST(SystemSerialDevice, HangUpEndsAReadAtOnce) {
  auto master = std::make_unique<PtyMaster>();
  ASSERT_TRUE(master->Ok());
  SystemSerialDevice dev;
  ASSERT_TRUE(dev.Open(master->Slave()));
  ASSERT_TRUE(dev.Configure(10416));
  master.reset();
  std::uint8_t b;
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(dev.Read(&b, 1), 0u);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(3));
}

TEST(SystemSerialDevice, ChannelReportsABusyPortAndReadsAReply) {
  PtyMaster master;
  ASSERT_TRUE(master.Ok());
  master.NonBlocking();
  MemorySettingsStore store;
  AppSettings settings(store);
  settings.m_strPortName = master.Slave();
  settings.m_strBaudRate = "10416";
  SystemClock clock;
  testing::ScriptedPrompts prompts;

  SystemSerialDevice holder;
  ASSERT_TRUE(holder.Open(master.Slave()));
  SystemSerialDevice dev;
  SerialChannel channel(dev, settings, clock, prompts);
  EXPECT_EQ(channel.OpenPort(), 0);
  ASSERT_EQ(prompts.calls.size(), 1u);
  EXPECT_EQ(prompts.calls[0].text, PortErrorText(EBUSY));
  EXPECT_EQ(prompts.calls[0].caption, master.Slave());
  holder.Close();

  ASSERT_EQ(channel.OpenPort(), 1);
  EXPECT_EQ(channel.SendCommand(ReadMemoryFrame()), 1);
  EXPECT_EQ(master.Receive(11), std::vector<std::uint8_t>(11, 0));
  master.Send({0x55, 0x00, 0, 0xC0, 0, 0, 0, 0, 0, 0, 0, 0x07, 0x01, 0x2C, 0xAB});
  ReplyFrame reply{};
  EXPECT_EQ(channel.ReadReply(reply, true), 13);
  EXPECT_EQ(ReplyDeviceNumber(reply), 300);
  EXPECT_EQ(channel.ClosePort(), 1);
  EXPECT_FALSE(dev.IsOpen());
}

// Whole downloads through the real device on a pseudo-terminal, from the
// simulated recorder at its line speed: a stray byte inside a block costs one
// repeat, and a line that hangs up ends the transfer at once.
TEST(SystemSerialDevice, DownloadSurvivesAStrayByteAndEndsAtAHangUp) {
  struct Case {
    const char* name;
    int extraByteBlock, hangUpAfterBlocks;
    TransferEnd end;
  };
  for (const Case& c : {Case{"stray byte in block 1", 1, -1, TransferEnd::Complete},
                        Case{"hang-up after 2 blocks", -1, 2, TransferEnd::PortLost}}) {
    SCOPED_TRACE(c.name);
    sim::ImageOptions io;
    io.runs = 1;
    io.samplesPerRun = 400;
    sim::Options o;
    o.image = sim::MakeSurveyImage(io);
    o.paced = true;
    o.faults.extraByteBlock = c.extraByteBlock;
    o.faults.hangUpAfterBlocks = c.hangUpAfterBlocks;
    sim::PtySimulator pty;
    std::string error;
    ASSERT_TRUE(pty.Start(o, &error)) << error;

    MemorySettingsStore store;
    AppSettings settings(store);
    settings.m_strPortName = pty.SlavePath();
    settings.m_strBaudRate = "10416";
    SystemClock clock;
    testing::ScriptedPrompts prompts;
    testing::RecordingProgress progress;
    progress.cancelWhen = [&] { return progress.cancelChecks > 200; };  // a transfer that never ends
    SystemSerialDevice dev;
    SerialChannel channel(dev, settings, clock, prompts);
    const std::string raw = ::testing::TempDir() + "zet-pty-raw-" + std::to_string(getpid());
    DownloadOptions options;
    options.rawDataPath = raw;
    const auto start = std::chrono::steady_clock::now();
    DownloadResult r = DownloadMemory(channel, progress, RecordingHeader{}, options);
    const auto took = std::chrono::steady_clock::now() - start;
    EXPECT_EQ(r.ending, c.end);
    FILE* f = std::fopen(raw.c_str(), "rb");
    ASSERT_TRUE(f);
    std::vector<std::uint8_t> got(o.image.bytes.size() + 1);
    got.resize(std::fread(got.data(), 1, got.size(), f));
    std::fclose(f);
    std::remove(raw.c_str());
    if (c.end == TransferEnd::Complete) {
      EXPECT_EQ(got, o.image.bytes);
      EXPECT_TRUE(prompts.calls.empty());
    } else {
      EXPECT_EQ(got.size(), 1024u);
      EXPECT_TRUE(std::equal(got.begin(), got.end(), o.image.bytes.begin()));
      ASSERT_EQ(prompts.calls.size(), 1u);
      EXPECT_EQ(prompts.calls[0].text, PortErrorText(EIO));
      // Not after the read time-outs of the blocks that would follow.
      EXPECT_LT(took, std::chrono::seconds(5));
    }
  }
}

}  // namespace
}  // namespace zet
