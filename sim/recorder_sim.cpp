#include "sim/recorder_sim.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>

#include "link/protocol.h"

namespace zet::sim {
namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr std::size_t kBlockSize = 512;
constexpr std::size_t kMaxWords = 0xFFFFFF;            // 24-bit word count
constexpr std::int64_t kFrameGapUs = 500'000;          // a pause this long restarts a frame
// Longer than the program's longest wait for a block and its sum byte.
constexpr std::int64_t kAckTimeoutUs = 20'000'000;
constexpr double kPeriods[] = {0.5, 1, 2, 5, 10, 20, 30, 60, 120};

std::uint8_t Bcd(int v) { return static_cast<std::uint8_t>((v / 10) * 16 + v % 10); }

// A small deterministic hash for the signal's noise, the same on every platform.
double Hash01(std::uint64_t x) {
  x ^= x >> 33;
  x *= 0xff51afd7ed558ccdULL;
  x ^= x >> 33;
  x *= 0xc4ceb9fe1a85ec53ULL;
  x ^= x >> 33;
  return static_cast<double>(x >> 11) / 9007199254740992.0;
}

double RangeFullScale(int code) {
  static const double f[] = {100, 10, 1, 0.1};
  return f[code & 3];
}

void PushWord(std::vector<std::uint8_t>& b, std::uint16_t w) {
  b.push_back(static_cast<std::uint8_t>(w & 0xFF));
  b.push_back(static_cast<std::uint8_t>(w >> 8));
}

std::uint8_t ModeOf(const ImageOptions& o) {
  int period = o.continuous ? 0 : std::clamp(o.periodCode, 0, 15);
  return static_cast<std::uint8_t>(period | (o.channels == 2 ? 0x10 : 0) | ((o.rangeCode & 3) << 5) |
                                   (o.fixedRange ? 0x80 : 0));
}

}  // namespace

std::array<std::uint8_t, 4> EncodeClock(const LocalTime& t) {
  return {Bcd(t.minute), Bcd(t.hour),
          static_cast<std::uint8_t>(((t.year % 4) << 6) | Bcd(t.day)),
          static_cast<std::uint8_t>(((t.weekday & 7) << 5) | Bcd(t.month))};
}

int AutoRangeCode(double volts) {
  double a = std::fabs(volts);
  if (a <= 0.1022) return 3;
  if (a <= 1.022) return 2;
  if (a <= 10.22) return 1;
  return 0;
}

std::uint16_t EncodeChannelWord(double volts, int rangeCode) {
  long raw = std::lround(volts / (RangeFullScale(rangeCode) * 0.002)) + 512;
  raw = std::clamp(raw, 0L, 1023L);
  return static_cast<std::uint16_t>(((rangeCode & 3) << 12) | raw);
}

std::uint16_t EncodeSupplyWord(double volts) {
  long raw = std::lround((volts - 4.5) / 0.007826087) + 512;
  raw = std::clamp(raw, 0L, 1023L);
  return static_cast<std::uint16_t>(0x8000 | raw);
}

double SurveySignal(int channel, double t, std::uint32_t seed) {
  // Pipe-to-soil potential drifting slowly, mains ripple, and now and then a
  // stray-current burst (a passing train) that swings it by volts.
  double phase = seed * 0.37;
  double v, ripple, swing;
  if (channel == 0) {
    v = -0.85 + 0.2 * std::sin(2 * kPi * t / 900 + phase) + 0.06 * std::sin(2 * kPi * t / 97);
    ripple = 0.03;
    swing = 11.0;
  } else {
    v = -0.04 + 0.03 * std::sin(2 * kPi * t / 600 + phase);
    ripple = 0.012;
    swing = 2.5;
  }
  v += ripple * std::sin(2 * kPi * 50 * t + 0.7 + channel);
  double cycle = std::fmod(t + seed * 13.0, 300.0);
  if (cycle < 60) {
    double env = std::sin(kPi * cycle / 60);
    v += env * env * swing * std::sin(2 * kPi * t / 20 + channel * 1.3);
  }
  std::uint64_t key = (static_cast<std::uint64_t>(seed) << 40) ^
                      (static_cast<std::uint64_t>(channel) << 36) ^
                      static_cast<std::uint64_t>(std::llround(t * 10000));
  v += (Hash01(key) - 0.5) * 0.004;
  return v;
}

Image MakeSurveyImage(const ImageOptions& o) {
  Image img;
  int channels = o.channels == 2 ? 2 : 1;
  img.mode = ModeOf(o);
  img.flags = o.continuous ? 0x10 : 0;
  img.device = o.device;
  double period = o.continuous ? 0.0003 * channels : kPeriods[std::clamp(o.periodCode, 0, 8)];
  int runs = std::max(o.runs, 0);
  long long samples = std::max(o.samplesPerRun, 0);

  std::time_t start = FromLocalTime(o.start);
  std::time_t runStart = start;
  long long sinceSupply = 0;
  // A run without samples has no word to carry the run marker, so its clock
  // block would be read as samples: such a memory holds no runs at all.
  if (samples == 0) runs = 0;
  img.startClock = EncodeClock(ToLocalTime(start));
  bool full = false;
  for (int r = 0; r < runs && !full; ++r) {
    ImageRun run;
    LocalTime lt = ToLocalTime(runStart);
    run.startClock = EncodeClock(lt);
    if (r == 0) {
      img.startClock = run.startClock;
    } else {
      img.bytes.insert(img.bytes.end(), run.startClock.begin(), run.startClock.end());
    }
    for (long long i = 0; i < samples && !full; ++i) {
      double t = static_cast<double>(runStart - start) + i * period;
      for (int c = 0; c < channels; ++c) {
        // Stop before the 24-bit word count would overflow. The run ends
        // without its marker, so no later run may follow it.
        if ((img.bytes.size() + 8) / 2 >= kMaxWords) {
          full = true;
          break;
        }
        double v = SurveySignal(c, t, o.seed + r);
        int code = o.fixedRange ? (o.rangeCode & 3) : AutoRangeCode(v);
        std::uint16_t w = EncodeChannelWord(v, code);
        bool lastOfRun = r + 1 < runs && i + 1 == samples && c + 1 == channels;
        if (lastOfRun) w |= 0x4000;
        PushWord(img.bytes, w);
        (c == 0 ? run.channel1 : run.channel2).push_back(w);
        // Supply words come between any two samples, also inside a pair.
        if (o.supplyEvery > 0 && ++sinceSupply >= o.supplyEvery && !lastOfRun) {
          sinceSupply = 0;
          double volts = 6.0 - 0.0002 * static_cast<double>(img.bytes.size() / 2) - 0.05 * r;
          std::uint16_t s = EncodeSupplyWord(std::max(volts, 4.7));
          PushWord(img.bytes, s);
          run.supply.push_back(s);
        }
      }
    }
    img.runs.push_back(std::move(run));
    double length = static_cast<double>(samples) * period;
    runStart += static_cast<std::time_t>(length) + 3600 + 60;
  }
  return img;
}

bool LoadImageFile(const std::string& path, const ImageOptions& o, Image& out, std::string& error) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    error = "cannot open " + path;
    return false;
  }
  in.seekg(0, std::ios::end);
  std::streamoff size = in.tellg();
  in.seekg(0, std::ios::beg);
  if (size < 0 || static_cast<unsigned long long>(size) > kMaxWords * 2) {
    error = path + " is larger than the recorder's memory (" + std::to_string(kMaxWords * 2) +
            " bytes at most)";
    return false;
  }
  Image img;
  img.bytes.resize(static_cast<std::size_t>(size) & ~std::size_t{1});
  if (!img.bytes.empty() && !in.read(reinterpret_cast<char*>(img.bytes.data()),
                                     static_cast<std::streamsize>(img.bytes.size()))) {
    error = "cannot read " + path;
    return false;
  }
  img.mode = ModeOf(o);
  img.flags = o.continuous ? 0x10 : 0;
  img.device = o.device;
  img.startClock = EncodeClock(ToLocalTime(FromLocalTime(o.start)));
  out = std::move(img);
  return true;
}

Options::Options() {
  ImageOptions o;
  image = MakeSurveyImage(o);
}

// ---- the recorder ------------------------------------------------------------

RecorderSim::RecorderSim(Options options) : options_(std::move(options)) {
  rng_ = options_.faults.seed ? options_.faults.seed : 0x9E3779B97F4A7C15ULL;
}

double RecorderSim::Random() {
  rng_ ^= rng_ >> 12;
  rng_ ^= rng_ << 25;
  rng_ ^= rng_ >> 27;
  return static_cast<double>((rng_ * 0x2545F4914F6CDD1DULL) >> 11) / 9007199254740992.0;
}

void RecorderSim::Queue(const std::uint8_t* data, std::size_t n, std::int64_t nowUs,
                        std::int64_t delayUs) {
  for (std::size_t i = 0; i < n; ++i) {
    std::int64_t at;
    if (options_.paced) {
      lineFreeAt_ = std::max(lineFreeAt_, static_cast<double>(nowUs + delayUs)) + kByteTimeUs;
      at = static_cast<std::int64_t>(std::ceil(lineFreeAt_));
    } else {
      at = nowUs + delayUs;
    }
    out_.push_back({data[i], at});
  }
}

void RecorderSim::QueueNoise(std::int64_t nowUs) {
  static const std::uint8_t kNoise[] = {0xFF, 0x3C, 0xA5, 0x55, 0x01, 0x80};
  for (int i = 0; i < options_.faults.noiseBeforeLead; ++i) Queue(&kNoise[i % 6], 1, nowUs);
}

void RecorderSim::Receive(const std::uint8_t* data, std::size_t n, std::int64_t nowUs) {
  if (epochUs_ < 0) epochUs_ = nowUs;
  for (std::size_t i = 0; i < n; ++i) {
    std::uint8_t b = data[i];
    if (state_ == State::AwaitAck) {
      std::int64_t lastOut = out_.empty() ? lastBlockUs_ : std::max(lastBlockUs_, out_.back().at);
      // An acknowledgement is a single byte; a burst starting with 0x00 is a
      // new command frame after the program abandoned the transfer.
      bool frameFollows = b == 0x00 && n - i >= 11;
      if (nowUs - lastOut > kAckTimeoutUs || frameFollows) {
        state_ = State::Idle;
        out_.clear();
        lineFreeAt_ = static_cast<double>(nowUs);
      } else {
        if (b == 0x00) {
          blockPos_ += blockLen_;
          lastBlockUs_ = nowUs;
          if (blockPos_ >= options_.image.bytes.size()) {
            state_ = State::Idle;
          } else {
            SendBlock(nowUs);
          }
        } else if (b == 0x01) {
          lastBlockUs_ = nowUs;
          SendBlock(nowUs);
        }
        continue;
      }
    }
    if (frameLen_ > 0 && nowUs - lastInUs_ > kFrameGapUs) frameLen_ = 0;
    lastInUs_ = nowUs;
    if (frameLen_ == 0 && b != 0x00) continue;  // a frame starts with its 0x00
    frame_[frameLen_++] = b;
    if (frameLen_ == frame_.size()) {
      frameLen_ = 0;
      HandleFrame(frame_, nowUs);
    }
  }
}

void RecorderSim::HandleFrame(const std::array<std::uint8_t, 11>& f, std::int64_t nowUs) {
  ++framesReceived_;
  const int hangUp = options_.faults.hangUpAfterFrames;
  if (hangUp >= 0 && framesReceived_ > hangUp) {
    lineGone_ = true;
    return;
  }
  if (options_.faults.silent) return;
  std::uint8_t cmd = f[1];
  if (cmd == 0x00) {
    const Image& img = options_.image;
    std::size_t words = std::min(img.bytes.size() / 2, kMaxWords);
    std::array<std::uint8_t, 17> p{};
    p[1] = static_cast<std::uint8_t>(words & 0xFF);
    p[2] = static_cast<std::uint8_t>((words >> 8) & 0xFF);
    p[3] = static_cast<std::uint8_t>((words >> 16) & 0xFF);
    p[4] = img.flags;
    p[5] = img.mode;
    p[6] = 0x01;  // firmware revision; the program ignores 6..9
    std::copy(img.startClock.begin(), img.startClock.end(), p.begin() + 10);
    p[14] = static_cast<std::uint8_t>(img.device >> 8);
    p[15] = static_cast<std::uint8_t>(img.device & 0xFF);
    p[16] = ByteSum(p.data(), 16);
    QueueNoise(nowUs);
    Queue(p.data(), p.size(), nowUs);
    blockPos_ = 0;
    blockLen_ = 0;
    if (words > 0) {
      state_ = State::AwaitAck;
      lastBlockUs_ = nowUs;
      SendBlock(nowUs);
    }
  } else if ((cmd & 0xEE) == 0x80) {  // 0x80, 0x81, 0x90, 0x91
    programmedMode_ = f[2];
    Reply(f, nowUs);
  } else if (cmd == 0xA0) {
    Reply(f, nowUs);
    int channels = (f[2] & 0x10) ? 2 : 1;
    bool fixed = (f[2] & 0x80) != 0;
    int range = (f[2] >> 5) & 3;
    double t = static_cast<double>(nowUs - epochUs_) / 1e6;
    std::uint8_t data[4];
    for (int c = 0; c < channels; ++c) {
      double v = SurveySignal(c, t, 7);
      std::uint16_t w = EncodeChannelWord(v, fixed ? range : AutoRangeCode(v));
      data[2 * c] = static_cast<std::uint8_t>(w >> 8);
      data[2 * c + 1] = static_cast<std::uint8_t>(w & 0xFF);
    }
    Queue(data, options_.faults.shortMonitorData ? 1 : 2 * channels, nowUs);
  } else if (cmd == 0xC0) {
    if (options_.selfTestResult >= 0) {
      auto b = static_cast<std::uint8_t>(options_.selfTestResult);
      Queue(&b, 1, nowUs, std::int64_t{options_.selfTestDelayMs} * 1000);
    }
  }
  // Any other code: the recorder does not know it and stays silent.
}

void RecorderSim::Reply(const std::array<std::uint8_t, 11>& f, std::int64_t nowUs) {
  std::array<std::uint8_t, 14> r{};
  for (int i = 1; i <= 10; ++i) r[i] = f[i];
  const int wrong = options_.faults.wrongEchoReplies;
  if (wrong < 0 || wrongEchoesSent_ < wrong) {
    r[2] ^= 0x01;
    ++wrongEchoesSent_;
  }
  r[11] = static_cast<std::uint8_t>(options_.image.device >> 8);
  r[12] = static_cast<std::uint8_t>(options_.image.device & 0xFF);
  r[13] = ByteSum(r.data(), 13);  // the check byte the program shows but never verifies
  QueueNoise(nowUs);
  Queue(r.data(), r.size(), nowUs);
}

void RecorderSim::SendBlock(std::int64_t nowUs) {
  const Faults& fl = options_.faults;
  if (fl.silentAfterBlocks >= 0 && blocksSent_ >= fl.silentAfterBlocks) return;
  if (fl.hangUpAfterBlocks >= 0 && blocksSent_ >= fl.hangUpAfterBlocks) {
    lineGone_ = true;
    return;
  }
  const auto& bytes = options_.image.bytes;
  std::size_t size = std::min(bytes.size(), kMaxWords * 2);
  blockLen_ = std::min(kBlockSize, size - blockPos_);
  const std::uint8_t* block = bytes.data() + blockPos_;
  ++blocksSent_;
  if (static_cast<long long>(blockPos_ / kBlockSize) == fl.shortBlock && !shortBlockDone_) {
    shortBlockDone_ = true;
    Queue(block, blockLen_ / 2, nowUs);  // cut off in the middle, no sum byte
    return;
  }
  auto s = ByteSum(block, blockLen_);
  if (fl.wrongSumRate > 0 && Random() < fl.wrongSumRate) s = static_cast<std::uint8_t>(s + 0x5B);
  Queue(block, blockLen_, nowUs);
  if (static_cast<long long>(blockPos_ / kBlockSize) == fl.extraByteBlock && !extraByteDone_) {
    extraByteDone_ = true;
    static const std::uint8_t kStray = 0xA5;  // a glitch on the line, before the sum byte
    Queue(&kStray, 1, nowUs);
  }
  Queue(&s, 1, nowUs);
}

std::size_t RecorderSim::Take(std::uint8_t* buf, std::size_t n, std::int64_t nowUs) {
  std::size_t k = 0;
  while (k < n && !out_.empty() && out_.front().at <= nowUs) {
    buf[k++] = out_.front().value;
    out_.pop_front();
  }
  return k;
}

std::optional<std::int64_t> RecorderSim::NextByteAt() const {
  if (out_.empty()) return std::nullopt;
  return out_.front().at;
}

void RecorderSim::DiscardArrived(std::int64_t nowUs) {
  while (!out_.empty() && out_.front().at <= nowUs) out_.pop_front();
}

}  // namespace zet::sim
