#include "recording/download_decode.h"

#include <limits>
#include <new>

namespace zet {

namespace {

inline constexpr const char* kOutOfMemoryMessage =
    "Недостаточно памяти для размещения принятых данных.\nДанные не приняты.";

// Volts of every channel word (range code and raw value) and of every supply
// value, so decoding a full image is a table look-up per word.
struct VoltTables {
  float channel[4 * 1024];
  float supply[1024];
  VoltTables() {
    for (unsigned c = 0; c < 4; ++c)
      for (unsigned v = 0; v < 1024; ++v)
        channel[c * 1024 + v] = ChannelVolts(static_cast<std::uint16_t>((c << 12) | v));
    for (unsigned v = 0; v < 1024; ++v) supply[v] = SupplyVolts(static_cast<std::uint16_t>(0x8000 | v));
  }
};

const VoltTables& Tables() {
  static const VoltTables t;
  return t;
}

void DecodeClock(const std::uint8_t* b, int currentYear, RecordingHeader& h) {
  h.nMinute = (b[0] & 0x0F) + (b[0] >> 4) * 10;
  h.nHour = (b[1] & 0x0F) + ((b[1] >> 4) & 3) * 10;
  h.nDay = (b[2] & 0x0F) + ((b[2] >> 4) & 3) * 10;
  h.nMonth = (b[3] & 0x0F) + ((b[3] >> 4) & 1) * 10;
  h.nYear = currentYear;
}

// Walks the image once with the recorder's rules: channel alternation that
// restarts after each run header, supply words outside the alternation, a run
// marker (bit 14 on any word) announcing 4 clock bytes, and the end of
// decoding when a header would leave fewer than 2 bytes after it.
template <class Visitor>
void Walk(const std::uint8_t* bytes, std::size_t r, bool twoChannels, Visitor& v) {
  std::size_t i = 0;
  bool headerDue = false;
  bool nextIsSecond = false;
  while (i < r) {
    if (headerDue) {
      if (r - i < 6) break;
      v.Split(bytes + i);
      i += 4;
      headerDue = false;
      nextIsSecond = false;
    }
    const std::uint16_t w = static_cast<std::uint16_t>(bytes[i] | (bytes[i + 1] << 8));
    headerDue = (w & kRunMarkerBit) != 0;
    if (w & kSupplyBit) {
      v.Supply(w);
    } else {
      v.Channel(w, nextIsSecond);
      nextIsSecond = twoChannels && !nextIsSecond;
    }
    i += 2;
  }
  v.End();
}

// The stored counter is only ever raised; a hand-edited profile may hold the
// largest int, where it stays rather than overflow.
int NextCounter(int k) { return k < std::numeric_limits<int>::max() ? k + 1 : k; }

struct RunSize {
  std::size_t ch1 = 0, ch2 = 0, supply = 0;
};

struct Counter {
  std::vector<RunSize> runs{1};
  void Split(const std::uint8_t*) { runs.emplace_back(); }
  void Supply(std::uint16_t) { ++runs.back().supply; }
  void Channel(std::uint16_t, bool second) { ++(second ? runs.back().ch2 : runs.back().ch1); }
  void End() {}
};

struct Filler {
  const VoltTables& tables;
  const std::vector<RunSize>& sizes;  // final sizes, two-channel runs already cut
  std::vector<Recording>& runs;
  RecordingHeader header;
  int currentYear;
  int k;
  float maxRange = 0;
  std::size_t n1 = 0, n2 = 0, ns = 0;
  float* p1 = nullptr;
  float* p2 = nullptr;
  float* ps = nullptr;

  void Begin() {
    const RunSize& s = sizes[runs.size()];
    Recording rec;
    rec.channel1.emplace(s.ch1);
    rec.channel2.emplace(s.ch2);
    rec.supply.emplace(s.supply);
    rec.title = MeasurementTitle(k);
    rec.comment = kDefaultComment;  // as the desktop program saves a fresh run
    runs.push_back(std::move(rec));
    Recording& cur = runs.back();
    p1 = cur.channel1->data();
    p2 = cur.channel2->data();
    ps = cur.supply->data();
    n1 = n2 = ns = 0;
  }
  void Finish() { runs.back().header = header; }
  void Split(const std::uint8_t* clock) {
    Finish();
    DecodeClock(clock, currentYear, header);
    k = NextCounter(k);
    Begin();
  }
  void Supply(std::uint16_t w) {
    ps[ns++] = tables.supply[w & 0x3FF];
  }
  void Channel(std::uint16_t w, bool second) {
    const float f = RangeFactor(w);
    if (f > maxRange) maxRange = f;
    header.dMaxRange = maxRange;
    const float volts = tables.channel[((w >> 2) & 0xC00) | (w & 0x3FF)];
    // Counts were cut to the shorter channel: the surplus of the longer one is dropped.
    if (second) {
      if (n2 < sizes[runs.size() - 1].ch2) p2[n2] = volts;
      ++n2;
    } else {
      if (n1 < sizes[runs.size() - 1].ch1) p1[n1] = volts;
      ++n1;
    }
  }
  void End() { Finish(); }
};

}  // namespace

std::string MeasurementTitle(int k) { return "Измерения" + std::to_string(k); }

DecodedImage DecodeImage(const std::uint8_t* bytes, std::size_t size, const RecordingHeader& header,
                         int counter, int currentYear) {
  DecodedImage out;
  out.nextCounter = counter;
  if (bytes == nullptr || size == 0) return out;
  const std::size_t r = size & ~static_cast<std::size_t>(1);
  const bool twoChannels = header.nChannels != 1;
  try {
    // First pass sizes every run, so each array is allocated once, exactly.
    Counter counts;
    Walk(bytes, r, twoChannels, counts);
    if (header.nChannels == 2)
      for (RunSize& s : counts.runs) s.ch1 = s.ch2 = std::min(s.ch1, s.ch2);
    out.runs.reserve(counts.runs.size());
    Filler fill{Tables(), counts.runs, out.runs, header, currentYear, counter};
    fill.Begin();
    Walk(bytes, r, twoChannels, fill);
    out.nextCounter = NextCounter(fill.k);
    out.ok = true;
  } catch (const std::bad_alloc&) {
    out.runs.clear();
    out.runs.shrink_to_fit();
    out.nextCounter = counter;
    out.ok = false;
    out.error = kOutOfMemoryMessage;
  }
  return out;
}

}  // namespace zet
