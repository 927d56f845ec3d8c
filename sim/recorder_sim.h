#pragma once
// A byte-level model of the recorder. It takes what the program sends and
// queues what the recorder answers, each byte stamped with the time it is on
// the line, so the same model serves the in-process test device (virtual
// clock) and the pseudo-terminal server (real clock).
#include <array>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "base/host.h"

namespace zet::sim {

// ---- memory image ---------------------------------------------------------

struct ImageOptions {
  int runs = 3;               // measurement runs in the memory
  int channels = 2;           // 1 or 2
  int samplesPerRun = 600;    // samples of each channel in one run
  int periodCode = 1;         // 0..8 (0.5 .. 120 s)
  bool continuous = false;    // fast sampling (flag bit in the preamble)
  bool fixedRange = false;    // false: the range follows the value sample by sample
  int rangeCode = 0;          // programmed / fixed range 0..3
  int supplyEvery = 50;       // one supply word after this many channel samples (0: none)
  std::uint16_t device = 1234;  // recorder number
  std::uint32_t seed = 7;     // noise of the survey signal
  LocalTime start{2024, 5, 14, 9, 30, 0, 2};  // first run; later runs follow it
};

// One run as the recorder stored it: the sample words of each channel in
// order and the supply words, with the run's start clock block.
struct ImageRun {
  std::array<std::uint8_t, 4> startClock{};
  std::vector<std::uint16_t> channel1, channel2, supply;
};

struct Image {
  std::vector<std::uint8_t> bytes;  // the memory image, words low byte first
  std::uint8_t flags = 0;           // preamble byte 4
  std::uint8_t mode = 0;            // preamble byte 5
  std::array<std::uint8_t, 4> startClock{};
  std::uint16_t device = 0;
  std::vector<ImageRun> runs;       // what the bytes hold (empty for a loaded file)
};

// Survey-like data: a slow potential drift with 50 Hz ripple, stray-current
// bursts that push the automatic range around, supply words, run markers.
Image MakeSurveyImage(const ImageOptions& o);

// A raw memory image from a file (as the "data" file of a download holds it),
// with the preamble fields taken from `o`. At most 2^24 - 1 words.
bool LoadImageFile(const std::string& path, const ImageOptions& o, Image& out, std::string& error);

// The recorder's clock block: BCD minute, hour, day (+ year mod 4), month (+ weekday).
std::array<std::uint8_t, 4> EncodeClock(const LocalTime& t);

// Channel sample word for a voltage in a range code (value clamped to the scale).
std::uint16_t EncodeChannelWord(double volts, int rangeCode);
// The smallest range that holds the value, as the automatic ranging chooses.
int AutoRangeCode(double volts);
std::uint16_t EncodeSupplyWord(double volts);

// The survey signal of one channel (0 or 1) at a time in seconds.
double SurveySignal(int channel, double seconds, std::uint32_t seed);

// ---- behaviour and faults ---------------------------------------------------

struct Faults {
  int noiseBeforeLead = 0;      // stray bytes before every lead byte (preamble, replies)
  double wrongSumRate = 0;      // share of block transmissions sent with a wrong sum byte
  std::uint32_t seed = 1;       // for wrongSumRate
  int shortBlock = -1;          // this block's first transmission stops halfway, no sum byte
  int silentAfterBlocks = -1;   // >= 0: after this many block transmissions, nothing more
  int extraByteBlock = -1;      // this block's first transmission carries one stray byte
  int hangUpAfterBlocks = -1;   // >= 0: after this many block transmissions the line is gone
  int hangUpAfterFrames = -1;   // >= 0: after answering this many command frames the line is gone
  bool silent = false;          // never answer anything
  int wrongEchoReplies = 0;     // this many replies carry a wrong echo byte (-1: all)
  bool shortMonitorData = false;  // monitor data cut to one byte
};

struct Options {
  Image image;                  // what the memory holds
  Faults faults;
  int selfTestResult = 0;       // the result byte; -1: no answer
  int selfTestDelayMs = 1200;   // the test takes this long
  bool paced = false;           // answers take line time: 11 bits per byte at 10416 baud
  Options();                    // a small two-channel survey image
};

inline constexpr double kByteTimeUs = 11.0 * 1e6 / 10416.0;

class RecorderSim {
 public:
  explicit RecorderSim(Options options);

  // Bytes from the program, arriving at `nowUs` (any monotonic microseconds).
  void Receive(const std::uint8_t* data, std::size_t n, std::int64_t nowUs);
  // Takes up to n answer bytes that are on the line by `nowUs`.
  std::size_t Take(std::uint8_t* buf, std::size_t n, std::int64_t nowUs);
  // When the next queued byte is on the line; nothing when the recorder waits.
  std::optional<std::int64_t> NextByteAt() const;
  // The program discarded its receive buffer: bytes already on the line are gone.
  void DiscardArrived(std::int64_t nowUs);

  const Options& GetOptions() const { return options_; }
  Options& MutableOptions() { return options_; }
  int BlocksSent() const { return blocksSent_; }
  // The line was cut (fault hangUpAfterBlocks): the device reports a hang-up.
  bool LineGone() const { return lineGone_; }
  int FramesReceived() const { return framesReceived_; }
  std::uint8_t ProgrammedMode() const { return programmedMode_; }

 private:
  struct OutByte {
    std::uint8_t value;
    std::int64_t at;
  };
  void HandleFrame(const std::array<std::uint8_t, 11>& f, std::int64_t nowUs);
  void Queue(const std::uint8_t* data, std::size_t n, std::int64_t nowUs, std::int64_t delayUs = 0);
  void QueueNoise(std::int64_t nowUs);
  void SendBlock(std::int64_t nowUs);
  void Reply(const std::array<std::uint8_t, 11>& f, std::int64_t nowUs);
  double Random();

  Options options_;
  std::deque<OutByte> out_;
  double lineFreeAt_ = 0;  // paced: when the line is free for the next byte

  enum class State { Idle, AwaitAck } state_ = State::Idle;
  std::array<std::uint8_t, 11> frame_{};
  std::size_t frameLen_ = 0;
  std::int64_t lastInUs_ = 0;
  std::size_t blockPos_ = 0;   // first byte of the block being transferred
  std::size_t blockLen_ = 0;
  std::int64_t lastBlockUs_ = 0;
  int blocksSent_ = 0;
  int framesReceived_ = 0;
  int wrongEchoesSent_ = 0;
  bool shortBlockDone_ = false;
  bool extraByteDone_ = false;
  bool lineGone_ = false;
  std::uint8_t programmedMode_ = 0;
  std::uint64_t rng_ = 0;
  std::int64_t epochUs_ = -1;  // first time seen, the monitor's signal clock starts there
};

}  // namespace zet::sim
