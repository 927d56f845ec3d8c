#include "link/download.h"

#include <algorithm>
#include <exception>
#include <new>
#include <utility>

#include "base/text_format.h"
#include "recording/export.h"

namespace zet {
namespace {

constexpr std::size_t kBlockSize = 512;
constexpr std::size_t kPreambleSize = 17;
constexpr std::uint8_t kAck = 0x00;
constexpr std::uint8_t kRepeat = 0x01;
// Bytes still on the wire after a spoilt block arrive within a few byte times
// (about 1 ms each at 10416 baud); this wait lets them in before the purge.
constexpr int kSettleMs = 20;

constexpr const char* kCrcOk = "  CRC OK";
constexpr const char* kCrcBad = "     Неправильный CRC";
constexpr const char* kNoMemoryMessage =
    "Недостаточно памяти для приёма данных.\nДанные не приняты.";

template <class F>
class ScopeExit {
 public:
  explicit ScopeExit(F f) : f_(std::move(f)) {}
  ~ScopeExit() { f_(); }
  ScopeExit(const ScopeExit&) = delete;
  ScopeExit& operator=(const ScopeExit&) = delete;

 private:
  F f_;
};

}  // namespace

int ReadPreamble(SerialChannel& channel, RecordingHeader& header, int& words) {
  std::uint8_t b[kPreambleSize] = {};
  channel.SetReceiveLines();
  if (!channel.WaitForLeadByte(true)) return 0;
  // A preamble cut short is refused even when the zeros left behind happen to
  // add up: its word count and mode would be made up.
  if (channel.ReadRaw(b + 1, kPreambleSize - 1) != kPreambleSize - 1) return 0;
  if (ByteSum(b, 16) != b[16]) return 0;

  header.bDateKnown = 1;
  header.nYear = ToLocalTime(channel.GetClock().Now()).year;
  const ClockFields start = DecodeClockBlock(b + 10);
  header.nMinute = start.minute;
  header.nHour = start.hour;
  header.nDay = start.day;
  header.nMonth = start.month;

  const std::uint8_t mode = b[5];
  const double period = PeriodSeconds(mode & 0x0F);
  if (period < 0)
    channel.GetPrompts().Beep();  // unknown code: the period stays as it was
  else
    header.dPeriod = period;
  header.nChannels = ((mode >> 4) & 1) + 1;
  if (b[4] & 0x10) header.dPeriod = header.nChannels * 0.0003;
  header.dRange = RangeVolts((mode >> 5) & 0x03);
  header.bFixedRange = (mode >> 7) & 1;
  header.nDevice = static_cast<std::uint16_t>(b[14] << 8 | b[15]);

  words = b[1] | b[2] << 8 | b[3] << 16;
  return 1;
}

std::size_t ReceiveImage(SerialChannel& channel, Progress& progress, std::uint8_t* buffer,
                         std::size_t length, int giveUpMs, TransferEnd* end) {
  TransferEnd ending = TransferEnd::Complete;
  if (end) *end = ending;
  if (length == 0) return 0;
  Clock& clock = channel.GetClock();
  Prompts& prompts = channel.GetPrompts();

  progress.Open();
  ScopeExit closeBox([&] { progress.Close(); });
  progress.SetBarRange(0, static_cast<int>(length / 16));

  std::size_t received = 0;
  std::uint8_t sumByte = 0;  // a block whose sum byte never came is judged by the previous one
  std::string statusLine;
  std::int64_t lastHeardMs = clock.MonotonicMs();
  std::int64_t lastAcceptedMs = lastHeardMs;
  while (received < length) {
    clock.SleepMs(100);
    const std::size_t want = std::min(length - received, kBlockSize);
    const std::size_t n = channel.ReadRaw(buffer + received, want);
    if (n == 0) prompts.Beep();
    std::uint8_t s = 0;
    const bool sumCame = channel.ReadRaw(&s, 1) == 1;
    if (sumCame) sumByte = s;
    if (n > 0 || sumCame) lastHeardMs = clock.MonotonicMs();

    // A line that hung up never brings the rest: end as a port error, and
    // what arrived is kept as after "Прервать".
    if (channel.EndIfLineLost()) {
      ending = TransferEnd::PortLost;
      break;
    }
    // A recorder whose every block arrives spoilt would be asked again forever.
    if (giveUpMs > 0 && clock.MonotonicMs() - lastAcceptedMs >= giveUpMs) {
      ending = clock.MonotonicMs() - lastHeardMs >= giveUpMs ? TransferEnd::GaveUp : TransferEnd::Spoilt;
      break;
    }
    if (progress.IsCancelled()) {
      if (received < length) {
        prompts.Message(statusLine, kAttentionCaption, MsgButtons::Ok, MsgIcon::None);
        ending = TransferEnd::Cancelled;
      }
      break;
    }

    const char* status;
    // A short block is never taken, whatever its sum byte says: the bytes after
    // it would land at the wrong place in the image.
    if (n == want && ByteSum(buffer + received, n) == sumByte) {
      channel.WriteRaw(&kAck, 1);
      received += n;
      lastAcceptedMs = clock.MonotonicMs();
      status = kCrcOk;
    } else {
      // Whatever spoilt the block (a wrong sum, bytes missing or a stray byte
      // too many), the rest of it must not be read as the start of the next
      // one: let the line fall quiet, drop what is pending, then ask again.
      clock.SleepMs(kSettleMs);
      channel.PurgePort();
      channel.WriteRaw(&kRepeat, 1);
      status = kCrcBad;
    }
    progress.SetBarPos(static_cast<int>(received / 16));
    statusLine = CFormat("Получено %d байтов из %d.", static_cast<int>(received),
                         static_cast<int>(length)) +
                 status;
    progress.SetStatusText(statusLine);
  }
  if (end) *end = ending;
  return received;
}

// The transfer and what follows it; exceptions are the caller's.
void ReceiveAndDecode(SerialChannel& channel, Progress& progress, std::vector<std::uint8_t>& buffer,
                      std::size_t length, const RecordingHeader& header, const DownloadOptions& options,
                      DownloadResult& result) {
  Prompts& prompts = channel.GetPrompts();
  result.expected = length;
  const std::size_t received =
      ReceiveImage(channel, progress, buffer.data(), length, options.giveUpMs, &result.ending);
  result.received = received;
  if (received == 0) {
    result.status = DownloadResult::Status::NothingReceived;
    return;
  }

  if (!options.rawDataPath.empty()) {
    const std::string error = WriteRawDataFile(options.rawDataPath, buffer.data(), received);
    if (!error.empty()) {
      // Nothing is decoded: the recorder still holds the data for another try.
      prompts.Message(error, kAppTitle, MsgButtons::Ok, MsgIcon::Warning);
      result.status = DownloadResult::Status::RawFileError;
      result.message = error;
      return;
    }
  }

  AppSettings& settings = channel.Settings();
  result.image = DecodeImage(buffer.data(), received, header, settings.GetMeasurementCounter(),
                             ToLocalTime(channel.GetClock().Now()).year);
  if (result.image.ok) {
    settings.SetMeasurementCounter(result.image.nextCounter);
    result.status = DownloadResult::Status::Decoded;
  } else if (!result.image.error.empty()) {
    prompts.Message(result.image.error, kAppTitle, MsgButtons::Ok, MsgIcon::Warning);
    result.status = DownloadResult::Status::OutOfMemory;
    result.message = result.image.error;
  } else {
    result.status = DownloadResult::Status::NothingReceived;
  }
}

DownloadResult DownloadMemory(SerialChannel& channel, Progress& progress, RecordingHeader header,
                              const DownloadOptions& options) {
  DownloadResult result;
  result.header = header;
  ScopeExit close([&] { channel.ClosePort(); });
  Prompts& prompts = channel.GetPrompts();

  if (!channel.OpenPort()) {
    result.status = DownloadResult::Status::PortFailed;
    return result;
  }
  channel.SendCommand(ReadMemoryFrame());

  int words = 0;
  if (!ReadPreamble(channel, header, words)) {
    prompts.Message(kBadPreambleMessage, kAppTitle, MsgButtons::Ok, MsgIcon::None);
    result.status = DownloadResult::Status::BadPreamble;
    return result;
  }
  result.header = header;

  // words is at most 2^24 - 1, so the buffer stays below 32 MiB.
  const std::size_t length = 2 * static_cast<std::size_t>(words);
  std::vector<std::uint8_t> buffer;
  try {
    buffer.resize(length + 256);
  } catch (const std::bad_alloc&) {
    prompts.Message(kNoMemoryMessage, kAppTitle, MsgButtons::Ok, MsgIcon::Warning);
    result.status = DownloadResult::Status::OutOfMemory;
    result.message = kNoMemoryMessage;
    return result;
  }

  try {
    ReceiveAndDecode(channel, progress, buffer, length, header, options, result);
  } catch (const std::exception&) {
    // Whatever broke, the document gets nothing and the counter stays.
    result.image = DecodedImage{};
    result.message.clear();
    prompts.Message(kReadFailedMessage, kAttentionCaption, MsgButtons::Ok, MsgIcon::Warning);
    result.status = DownloadResult::Status::TransferFailed;
  }
  return result;
}

}  // namespace zet
