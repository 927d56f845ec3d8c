#include <cstdio>
#include <filesystem>
#include <fstream>
#include <set>
#include <stdexcept>

#include "link/channel_fixture.h"
#include "link/download.h"

namespace zet::testing {
namespace {

using Bytes = std::vector<std::uint8_t>;

std::uint8_t Sum(const Bytes& b, std::size_t from, std::size_t n) {
  unsigned s = 0;
  for (std::size_t i = from; i < from + n; ++i) s += b[i];
  return static_cast<std::uint8_t>(s);
}

Bytes Preamble(int words, std::uint8_t flags, std::uint8_t mode, ClockBlockBytes start, int device) {
  Bytes p(17, 0);
  p[1] = words & 0xFF;
  p[2] = (words >> 8) & 0xFF;
  p[3] = (words >> 16) & 0xFF;
  p[4] = flags;
  p[5] = mode;
  p[6] = 0x5A;  // not interpreted
  for (int i = 0; i < 4; ++i) p[10 + i] = start[i];
  p[14] = static_cast<std::uint8_t>(device >> 8);
  p[15] = static_cast<std::uint8_t>(device);
  p[16] = Sum(p, 0, 16);
  return p;
}

// The recorder's side of a download: the preamble after the read-memory
// frame, then block after block, repeated on 0x01, next on 0x00.
class BlockRecorder {
 public:
  BlockRecorder(ScriptDevice& device, Bytes preamble, Bytes image)
      : device_(device), preamble_(std::move(preamble)), image_(std::move(image)) {
    device_.onWrite = [this](const Bytes& w) { OnWrite(w); };
  }

  std::set<int> badSumOnce;   // blocks first sent with a wrong sum
  int badSumFrom = -1;        // this block and all after it always come with a wrong sum
  std::set<int> extraByteOnce;  // blocks first sent with a stray byte before the sum
  int hangUpAfterBlocks = -1;   // the line is cut after this many blocks were acknowledged
  // Blocks first sent cut short, their last byte chosen so that what came adds
  // up to the previous block's sum byte, which the program still holds.
  std::set<int> shortOnce;
  int stopAfterBlocks = -1;   // go silent after this many blocks were acknowledged
  Bytes stray;                // noise before the preamble
  std::vector<std::size_t> blockSizes;  // every block sent, by size
  Bytes acks;

 private:
  void OnWrite(const Bytes& w) {
    if (w.size() == 11) {
      device_.Feed(stray);
      device_.Feed(preamble_);
      SendBlock();
      return;
    }
    ASSERT_EQ(w.size(), 1u);
    acks.push_back(w[0]);
    if (w[0] == 0x00) {
      pos_ += Len();
      ++block_;
    }
    if (block_ == hangUpAfterBlocks) device_.hungUp = true;
    if (pos_ < image_.size() && block_ != stopAfterBlocks && !device_.hungUp) SendBlock();
  }
  std::size_t Len() const { return std::min<std::size_t>(512, image_.size() - pos_); }
  void SendBlock() {
    if (pos_ >= image_.size()) return;
    std::size_t len = Len();
    std::uint8_t sum = Sum(image_, pos_, len);
    if (badSumOnce.erase(block_) || (badSumFrom >= 0 && block_ >= badSumFrom)) sum ^= 0x10;
    if (shortOnce.erase(block_)) {
      const std::size_t half = len / 2;
      blockSizes.push_back(half + 1);
      device_.Feed(Bytes(image_.begin() + pos_, image_.begin() + pos_ + half));
      device_.Feed({static_cast<std::uint8_t>(lastSum_ - Sum(image_, pos_, half))});
      return;
    }
    blockSizes.push_back(len);
    device_.Feed(Bytes(image_.begin() + pos_, image_.begin() + pos_ + len));
    if (extraByteOnce.erase(block_)) device_.Feed({0xA5});
    device_.Feed({sum});
    lastSum_ = sum;
  }

  ScriptDevice& device_;
  Bytes preamble_, image_;
  std::size_t pos_ = 0;
  int block_ = 0;
  std::uint8_t lastSum_ = 0;
};

Bytes Pattern(std::size_t n) {
  Bytes b(n);
  for (std::size_t i = 0; i < n; ++i) b[i] = static_cast<std::uint8_t>(i * 7 + i / 256);
  return b;
}

class DownloadTest : public ChannelTest {
 protected:
  // A transfer that never ends would hang the test run; an hour of virtual time is plenty.
  DownloadTest() {
    progress.cancelWhen = [this] { return clock.MonotonicMs() > 3600 * 1000; };
  }

  // Runs the preamble and transfer directly, the way DownloadMemory does.
  std::size_t Transfer(Bytes& out, std::size_t length) {
    channel.OpenPort();
    channel.SendCommand(ReadMemoryFrame());
    int words = 0;
    EXPECT_EQ(ReadPreamble(channel, header, words), 1);
    out.assign(length + 256, 0);
    return ReceiveImage(channel, progress, out.data(), length);
  }

  RecordingHeader header;
  RecordingProgress progress;
};

TEST_F(DownloadTest, PreambleAfterStrayBytesFillsTheHeader) {
  header.dMaxRange = 42;
  // Two channels, 10 V fixed, 20 s; started 3 March 17:45.
  BlockRecorder rec(device, Preamble(0x012345, 0, ModeByte(5, 1, 1, true), {0x45, 0x17, 0x43, 0x03}, 300),
                    {});
  rec.stray = {0x13, 0xFF, 0x80};
  channel.OpenPort();
  channel.SendCommand(ReadMemoryFrame());
  int words = 0;
  ASSERT_EQ(ReadPreamble(channel, header, words), 1);
  EXPECT_EQ(words, 0x012345);
  EXPECT_EQ(header.bDateKnown, 1);
  EXPECT_EQ(header.nYear, ToLocalTime(clock.Now()).year);
  EXPECT_EQ(header.nMonth, 3);
  EXPECT_EQ(header.nDay, 3);
  EXPECT_EQ(header.nHour, 17);
  EXPECT_EQ(header.nMinute, 45);
  EXPECT_EQ(header.dPeriod, 20);
  EXPECT_EQ(header.nChannels, 2);
  EXPECT_EQ(header.dRange, 10);
  EXPECT_EQ(header.bFixedRange, 1);
  EXPECT_EQ(header.nDevice, 300);
  EXPECT_EQ(header.dMaxRange, 42);  // left to the decoder
  EXPECT_TRUE(prompts.calls.empty());
}

TEST_F(DownloadTest, PeriodCodesOutsideTheTableBeepAndKeepThePeriod) {
  header.dPeriod = 7;
  BlockRecorder rec(device, Preamble(1, 0, ModeByte(12, 0, 3, false), {}, 1), {});
  channel.OpenPort();
  channel.SendCommand(ReadMemoryFrame());
  int words = 0;
  ASSERT_EQ(ReadPreamble(channel, header, words), 1);
  EXPECT_EQ(prompts.beeps, 1);
  EXPECT_EQ(header.dPeriod, 7);
  EXPECT_EQ(header.dRange, static_cast<double>(0.1f));
  EXPECT_EQ(header.bFixedRange, 0);
  EXPECT_EQ(header.nChannels, 1);
}

TEST_F(DownloadTest, ContinuousSamplingOverridesThePeriodCode) {
  BlockRecorder rec(device, Preamble(1, 0x10, ModeByte(5, 1, 0, false), {}, 1), {});
  channel.OpenPort();
  channel.SendCommand(ReadMemoryFrame());
  int words = 0;
  ASSERT_EQ(ReadPreamble(channel, header, words), 1);
  EXPECT_DOUBLE_EQ(header.dPeriod, 0.0006);
}

TEST_F(DownloadTest, WrongPreambleSumIsRefusedWithOneMessage) {
  header.nDevice = 77;
  header.dPeriod = 2;
  const RecordingHeader before = header;
  Bytes p = Preamble(100, 0, ModeByte(1, 0, 0, false), {}, 5);
  p[16] += 1;
  BlockRecorder rec(device, p, Pattern(200));
  DownloadResult r = DownloadMemory(channel, progress, header, {});
  EXPECT_EQ(r.status, DownloadResult::Status::BadPreamble);
  EXPECT_EQ(r.header, before);
  ASSERT_EQ(prompts.calls.size(), 1u);
  EXPECT_EQ(prompts.calls[0].text, "Получена неправильная преамбула данных.\nДанные не приняты.");
  EXPECT_EQ(prompts.calls[0].caption, "ЗЕТ");
  EXPECT_EQ(progress.opens, 0);
  EXPECT_EQ(device.log.back(), "close");
}

TEST_F(DownloadTest, CutShortPreambleIsRefusedEvenWhenTheZerosAddUp) {
  channel.OpenPort();
  device.Feed({0x00, 0x00, 0x00});
  int words = -1;
  EXPECT_EQ(ReadPreamble(channel, header, words), 0);
  EXPECT_EQ(header, RecordingHeader{});
  EXPECT_EQ(words, -1);
}

TEST_F(DownloadTest, SilentRecorderGivesNoAnswerThenBadPreamble) {
  DownloadResult r = DownloadMemory(channel, progress, header, {});
  EXPECT_EQ(r.status, DownloadResult::Status::BadPreamble);
  ASSERT_EQ(prompts.calls.size(), 2u);
  EXPECT_EQ(prompts.calls[0].text, "Прибор не отвечает !");
  EXPECT_EQ(prompts.calls[1].text, kBadPreambleMessage);
  EXPECT_EQ(channel.State(), SerialChannel::PortState::Closed);
}

TEST_F(DownloadTest, PortFailureStopsAtTheErrorAndClosesAgain) {
  device.openError = ENOENT;
  DownloadResult r = DownloadMemory(channel, progress, header, {});
  EXPECT_EQ(r.status, DownloadResult::Status::PortFailed);
  ASSERT_EQ(prompts.calls.size(), 1u);
  EXPECT_EQ(prompts.calls[0].text, PortErrorText(2));
  EXPECT_EQ(device.log, (std::vector<std::string>{"open COM3:", "close"}));
}

TEST_F(DownloadTest, TenThousandWordsComeInFortyBlocksWithProgress) {
  const Bytes image = Pattern(20000);
  BlockRecorder rec(device, Preamble(10000, 0, 0, {}, 1), image);
  Bytes buf;
  ASSERT_EQ(Transfer(buf, 20000), 20000u);
  EXPECT_TRUE(std::equal(image.begin(), image.end(), buf.begin()));

  ASSERT_EQ(rec.blockSizes.size(), 40u);
  EXPECT_EQ(std::count(rec.blockSizes.begin(), rec.blockSizes.end(), 512u), 39);
  EXPECT_EQ(rec.blockSizes.back(), 32u);
  EXPECT_EQ(rec.acks, Bytes(40, 0x00));

  EXPECT_EQ(progress.opens, 1);
  EXPECT_EQ(progress.closes, 1);
  EXPECT_EQ(progress.title, "Чтение данных");
  EXPECT_EQ(progress.lower, 0);
  EXPECT_EQ(progress.upper, 1250);
  EXPECT_EQ(progress.positions.front(), 32);
  EXPECT_EQ(progress.positions.back(), 1250);
  EXPECT_EQ(progress.statuses.front(), "Получено 512 байтов из 20000.  CRC OK");
  EXPECT_EQ(progress.statuses.back(), "Получено 20000 байтов из 20000.  CRC OK");
}

TEST_F(DownloadTest, WrongSumIsRefusedAndTheRepeatAccepted) {
  const Bytes image = Pattern(1500);
  BlockRecorder rec(device, Preamble(750, 0, 0, {}, 1), image);
  rec.badSumOnce = {1};
  Bytes buf;
  ASSERT_EQ(Transfer(buf, 1500), 1500u);
  EXPECT_TRUE(std::equal(image.begin(), image.end(), buf.begin()));
  EXPECT_EQ(rec.acks, (Bytes{0x00, 0x01, 0x00, 0x00}));
  EXPECT_EQ(progress.statuses[1], "Получено 512 байтов из 1500.     Неправильный CRC");
  EXPECT_EQ(progress.positions, (std::vector<int>{32, 32, 64, 93}));
}

TEST_F(DownloadTest, ShortBlockIsNeverAcceptedAndPendingBytesAreDropped) {
  const Bytes image = Pattern(1536);
  BlockRecorder rec(device, Preamble(768, 0, 0, {}, 1), image);
  rec.shortOnce = {1};
  Bytes buf;
  ASSERT_EQ(Transfer(buf, 1536), 1536u);
  EXPECT_TRUE(std::equal(image.begin(), image.end(), buf.begin()));
  EXPECT_EQ(rec.acks, (Bytes{0x00, 0x01, 0x00, 0x00}));
  // The input is purged before the repeat is asked for.
  auto repeat = std::find(device.log.begin(), device.log.end(), "write 01");
  ASSERT_NE(repeat, device.log.end());
  EXPECT_EQ(*(repeat - 1), "purge");
}

// One stray byte inside a block must not throw the transfer out of step for
// good: the rest is purged before the repeat is asked for.
TEST_F(DownloadTest, StrayByteInABlockIsPurgedAndTheBlockRepeated) {
  const Bytes image = Pattern(2048);
  BlockRecorder rec(device, Preamble(1024, 0, 0, {}, 1), image);
  rec.extraByteOnce = {1};
  Bytes buf;
  ASSERT_EQ(Transfer(buf, 2048), 2048u);
  EXPECT_TRUE(std::equal(image.begin(), image.end(), buf.begin()));
  EXPECT_EQ(rec.acks, (Bytes{0x00, 0x01, 0x00, 0x00, 0x00}));
}

// A line that hangs up ends the transfer at once with a port error; the
// blocks that came are kept, as after "Прервать".
TEST_F(DownloadTest, HangUpEndsTheTransferAsAPortError) {
  BlockRecorder rec(device, Preamble(2048, 0, 0, {}, 1), Pattern(4096));
  rec.hangUpAfterBlocks = 2;
  DownloadResult r = DownloadMemory(channel, progress, header, {});
  EXPECT_EQ(r.ending, TransferEnd::PortLost);
  EXPECT_EQ(r.received, 1024u);
  EXPECT_EQ(r.expected, 4096u);
  EXPECT_EQ(r.status, DownloadResult::Status::Decoded);
  ASSERT_EQ(prompts.calls.size(), 1u);
  EXPECT_EQ(prompts.calls[0].text.rfind("Port error 5\t\n", 0), 0u) << prompts.calls[0].text;
  EXPECT_EQ(prompts.calls[0].caption, "COM3:");
  EXPECT_LT(clock.MonotonicMs(), 60'000);  // at once, not after a minute of retries
}

// Without a good block for the give-up time the transfer ends by itself,
// whether the recorder fell silent or sends nothing but spoilt blocks.
class GiveUpTest : public DownloadTest, public ::testing::WithParamInterface<bool> {};

TEST_P(GiveUpTest, EndsATransferThatGetsNowhere) {
  const bool spoilt = GetParam();
  BlockRecorder rec(device, Preamble(2048, 0, 0, {}, 1), Pattern(4096));
  (spoilt ? rec.badSumFrom : rec.stopAfterBlocks) = 1;
  DownloadOptions options;
  options.giveUpMs = 30'000;
  DownloadResult r = DownloadMemory(channel, progress, header, options);
  EXPECT_EQ(r.ending, spoilt ? TransferEnd::Spoilt : TransferEnd::GaveUp);
  EXPECT_EQ(r.received, 512u);
  EXPECT_LT(clock.MonotonicMs(), 60'000);
}

INSTANTIATE_TEST_SUITE_P(SilentOrSpoilt, GiveUpTest, ::testing::Bool());

TEST_F(DownloadTest, CancelShowsTheLastStatusAndKeepsAcceptedBlocks) {
  BlockRecorder rec(device, Preamble(2000, 0, 0, {}, 1), Pattern(4000));
  progress.cancelAtCheck = 3;
  Bytes buf;
  EXPECT_EQ(Transfer(buf, 4000), 1024u);
  EXPECT_EQ(rec.acks, (Bytes{0x00, 0x00}));  // the third block is not acknowledged
  ASSERT_EQ(prompts.calls.size(), 1u);
  EXPECT_EQ(prompts.calls[0].text, "Получено 1024 байтов из 4000.  CRC OK");
  EXPECT_EQ(prompts.calls[0].caption, "Внимание !");
  EXPECT_EQ(prompts.calls[0].buttons, MsgButtons::Ok);
  EXPECT_EQ(progress.closes, 1);
}

TEST_F(DownloadTest, RecorderFallingSilentBeepsUntilCancelled) {
  BlockRecorder rec(device, Preamble(1024, 0, 0, {}, 1), Pattern(2048));
  rec.stopAfterBlocks = 1;
  progress.cancelWhen = [&] { return prompts.beeps == 3; };
  Bytes buf;
  EXPECT_EQ(Transfer(buf, 2048), 512u);
  EXPECT_EQ(prompts.beeps, 3);
  EXPECT_EQ(progress.statuses.back(), "Получено 512 байтов из 2048.     Неправильный CRC");
}

TEST_F(DownloadTest, EmptyMemoryOpensNoProgress) {
  std::uint8_t b[256];
  EXPECT_EQ(ReceiveImage(channel, progress, b, 0), 0u);

  BlockRecorder rec(device, Preamble(0, 0, 0, {}, 1), {});
  DownloadResult r = DownloadMemory(channel, progress, header, {});
  EXPECT_EQ(r.status, DownloadResult::Status::NothingReceived);
  EXPECT_EQ(progress.opens, 0);
  EXPECT_TRUE(prompts.calls.empty());
  EXPECT_EQ(settings.GetMeasurementCounter(), 1);
}

class ThrowingProgress : public RecordingProgress {
 public:
  void SetBarRange(int, int) override { throw std::runtime_error("window gone"); }
};

TEST_F(DownloadTest, ExceptionInTheTransferIsReportedAndClosesEverything) {
  ThrowingProgress box;
  BlockRecorder rec(device, Preamble(100, 0, 0, {}, 1), Pattern(200));
  DownloadResult r = DownloadMemory(channel, box, header, {});
  EXPECT_EQ(r.status, DownloadResult::Status::TransferFailed);
  ASSERT_EQ(prompts.calls.size(), 1u);
  EXPECT_EQ(prompts.calls[0].text, "Что-то случилось при чтении !");
  EXPECT_EQ(prompts.calls[0].caption, "Внимание !");
  EXPECT_EQ(prompts.calls[0].icon, MsgIcon::Warning);
  EXPECT_EQ(box.closes, 1);
  EXPECT_EQ(channel.State(), SerialChannel::PortState::Closed);
}

// One channel, 10 V automatic, period 1 s: three words, a run marker with the
// next run's start (12:30, 5 June), two more words.
Bytes TwoRunImage() {
  const std::uint16_t words1[] = {0x1000 | 512, 0x8000 | 600, 0x1000 | 612 | 0x4000};
  const std::uint16_t words2[] = {0x2000 | 400, 0x2000 | 700};
  Bytes b;
  for (std::uint16_t w : words1) b.insert(b.end(), {static_cast<std::uint8_t>(w), static_cast<std::uint8_t>(w >> 8)});
  b.insert(b.end(), {0x30, 0x12, 0x05, 0x06});
  for (std::uint16_t w : words2) b.insert(b.end(), {static_cast<std::uint8_t>(w), static_cast<std::uint8_t>(w >> 8)});
  return b;
}

class WholeDownloadTest : public DownloadTest {
 protected:
  void SetUp() override {
    image = TwoRunImage();
    store.WriteInt("Last", "Measurement", 41);
  }
  Bytes image;
};

TEST_F(WholeDownloadTest, TwoRunsAreDecodedAndTheCounterAdvances) {
  BlockRecorder rec(device, Preamble(static_cast<int>(image.size() / 2), 0, ModeByte(1, 0, 1, false),
                                     {0x15, 0x09, 0x01, 0x06}, 1234),
                    image);
  DownloadResult r = DownloadMemory(channel, progress, header, {});
  ASSERT_EQ(r.status, DownloadResult::Status::Decoded);
  EXPECT_EQ(r.header.nDevice, 1234);
  ASSERT_EQ(r.image.runs.size(), 2u);
  EXPECT_EQ(r.image.runs[0].title, "Измерения41");
  EXPECT_EQ(r.image.runs[1].title, "Измерения42");
  EXPECT_EQ(r.image.runs[0].header.nHour, 9);
  EXPECT_EQ(r.image.runs[1].header.nHour, 12);
  EXPECT_EQ(r.image.runs[1].header.nMinute, 30);
  EXPECT_EQ(Count(r.image.runs[0].channel1), 2);
  EXPECT_EQ(Count(r.image.runs[1].channel1), 2);
  EXPECT_EQ(settings.GetMeasurementCounter(), 43);
  EXPECT_TRUE(prompts.calls.empty());
  EXPECT_EQ(device.log.front(), "open COM3:");
  EXPECT_EQ(device.log.back(), "close");
}

TEST_F(WholeDownloadTest, RawFileHoldsTheReceivedBytes) {
  const auto path = std::filesystem::temp_directory_path() / "zet_link_test_data";
  std::filesystem::remove(path);
  BlockRecorder rec(device, Preamble(static_cast<int>(image.size() / 2), 0, 0, {}, 1), image);
  DownloadResult r = DownloadMemory(channel, progress, header, {path.string()});
  ASSERT_EQ(r.status, DownloadResult::Status::Decoded);
  {
    std::ifstream in(path, std::ios::binary);  // closed before the file goes: Windows keeps open files
    Bytes onDisk((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(onDisk, image);
  }
  std::filesystem::remove(path);
}

TEST_F(WholeDownloadTest, RawFileErrorDecodesNothing) {
  BlockRecorder rec(device, Preamble(static_cast<int>(image.size() / 2), 0, 0, {}, 1), image);
  DownloadResult r = DownloadMemory(channel, progress, header, {"/nonexistent-dir/zet/data"});
  EXPECT_EQ(r.status, DownloadResult::Status::RawFileError);
  EXPECT_FALSE(r.message.empty());
  ASSERT_EQ(prompts.calls.size(), 1u);
  EXPECT_EQ(prompts.calls[0].text, r.message);
  EXPECT_TRUE(r.image.runs.empty());
  EXPECT_EQ(settings.GetMeasurementCounter(), 41);
  EXPECT_EQ(device.log.back(), "close");
}

}  // namespace
}  // namespace zet::testing
