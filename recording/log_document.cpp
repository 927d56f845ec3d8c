#include "recording/log_document.h"

#include <bit>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <new>
#include <vector>

#include "base/host_files.h"

namespace zet {

void LogDocument::DeleteContents() {
  ++m_nSamplesVersion;
  m_pChannel1.reset();
  m_pChannel1Saved.reset();
  m_pChannel2.reset();
  m_pChannel2Saved.reset();
  m_pSupply.reset();
  m_bShuntCurrent = false;
  m_bFiltered = false;
}

void LogDocument::NewDocument() {
  DeleteContents();
  m_strComment = kDefaultComment;
  m_strCommentBytes.reset();
  m_dShuntResistance = 0;
}

void LogDocument::SetRecording(Recording rec) {
  DeleteContents();
  m_header = rec.header;
  m_bFastSampling = IsFastSampling(m_header.dPeriod);
  m_dShuntResistance = rec.shuntResistance;
  m_pChannel1 = std::move(rec.channel1);
  m_pChannel2 = std::move(rec.channel2);
  m_pSupply = std::move(rec.supply);
  m_strComment = std::move(rec.comment);
  m_strCommentBytes = std::move(rec.commentBytes);
  ResetLimit();
}

Recording LogDocument::GetRecording() const {
  Recording rec;
  rec.header = m_header;
  rec.shuntResistance = m_dShuntResistance;
  rec.channel1 = m_pChannel1;
  rec.channel2 = m_pChannel2;
  rec.supply = m_pSupply;
  rec.comment = m_strComment;
  rec.commentBytes = m_strCommentBytes;
  return rec;
}

bool LogDocument::Filter() {
  ++m_nSamplesVersion;
  m_bFiltered = true;
  try {
    if (!m_pChannel1Saved && m_pChannel1) m_pChannel1Saved = m_pChannel1;
    if (m_pChannel1)
      FilterChannel(m_pChannel1->data(), Channel1Count(), Channel2Count() != 0);
    if (!m_pChannel2Saved && Channel2Count() != 0) m_pChannel2Saved = m_pChannel2;
    if (m_pChannel2) FilterChannel(m_pChannel2->data(), Channel2Count(), true);
  } catch (const std::bad_alloc&) {
    return false;
  }
  return true;
}

void LogDocument::RestoreInitialView() {
  ++m_nSamplesVersion;
  if (m_pChannel1Saved) {
    m_pChannel1 = std::move(m_pChannel1Saved);
    m_pChannel1Saved.reset();
  }
  if (m_pChannel2Saved) {
    m_pChannel2 = std::move(m_pChannel2Saved);
    m_pChannel2Saved.reset();
  }
  m_bFiltered = false;
  ResetLimit();
}

bool LogDocument::SetShuntRating(double ratingAmperes, bool* modified) {
  if (modified) *modified = false;
  if (!(ratingAmperes > 0) || !std::isfinite(ratingAmperes)) return false;
  const double resistance = 0.075 / ratingAmperes;
  const bool changed = std::fabs(resistance - m_dShuntResistance) > 0.000001;
  m_dShuntResistance = resistance;
  m_bShuntCurrent = true;
  if (modified) *modified = changed;
  return true;
}

bool LogDocument::CanLimitCoarser() const { return m_dLimit <= 10; }
bool LogDocument::CanLimitFiner() const { return m_dLimit >= 1; }
// Plain double steps: from 100 they give exactly 10, 1 and 0.1.
void LogDocument::LimitCoarser() { m_dLimit = m_dLimit * 10; }
void LogDocument::LimitFiner() { m_dLimit = m_dLimit * 0.1; }

void LogDocument::FitLimit(double peak) {
  for (double limit : {0.1, 1.0, 10.0}) {
    if (peak <= limit) {
      m_dLimit = limit;
      return;
    }
  }
  m_dLimit = 100;
}

// ---- filter ------------------------------------------------------------------

namespace {

// Outputs handled per exactness check.
constexpr int kBlock = 256;

// The plain definition: window sum in double, in index order.
void DirectRange(const float* src, float* dst, int n, int h, int from, int to) {
  for (int i = from; i < to; ++i) {
    const int lo = i - h < 0 ? 0 : i - h;
    const int hi = i + h > n - 1 ? n - 1 : i + h;
    double sum = 0;
    for (int j = lo; j <= hi; ++j) sum += src[j];
    dst[i] = static_cast<float>(sum / (hi - lo + 1));
  }
}

// Exponent of the lowest set bit of a finite non-zero float, and one past its
// highest (|x| < 2^high).
inline void FloatBits(float x, int* low, int* high) {
  const std::uint32_t b = std::bit_cast<std::uint32_t>(x);
  const int ef = static_cast<int>((b >> 23) & 0xFF);
  std::uint32_t m = b & 0x7FFFFF;
  int q;
  if (ef == 0) {
    q = -149;
  } else {
    m |= 0x800000;
    q = ef - 150;
  }
  *low = q + std::countr_zero(m);
  *high = q + std::bit_width(m);
}

// A block of outputs whose inputs all lie within 46 bits of each other (2^46
// times 67 < 2^53) has every partial window sum exactly representable in a
// double, so the direct sum is the exact sum whatever the order. Such blocks
// use exact integer prefix sums; any other block is summed directly.
void FilterBlock(const float* src, float* dst, int n, int h, int from, int to,
                 std::vector<std::int64_t>& prefix) {
  const int inLo = from - h < 0 ? 0 : from - h;
  const int inHi = to - 1 + h > n - 1 ? n - 1 : to - 1 + h;
  int qMin = 1 << 20, pMax = -(1 << 20);
  for (int j = inLo; j <= inHi; ++j) {
    const float x = src[j];
    if (x == 0) continue;
    if (!std::isfinite(x)) return DirectRange(src, dst, n, h, from, to);
    int lo, hi;
    FloatBits(x, &lo, &hi);
    if (lo < qMin) qMin = lo;
    if (hi > pMax) pMax = hi;
  }
  if (pMax + 7 - qMin > 53) return DirectRange(src, dst, n, h, from, to);
  if (pMax < qMin) {  // all zero
    for (int i = from; i < to; ++i) dst[i] = 0.0f;
    return;
  }
  const double toInt = std::ldexp(1.0, -qMin);
  const double fromInt = std::ldexp(1.0, qMin);
  const int len = inHi - inLo + 1;
  prefix.resize(static_cast<std::size_t>(len) + 1);
  prefix[0] = 0;
  for (int j = 0; j < len; ++j)
    prefix[j + 1] = prefix[j] + static_cast<std::int64_t>(static_cast<double>(src[inLo + j]) * toInt);
  for (int i = from; i < to; ++i) {
    const int lo = i - h < 0 ? 0 : i - h;
    const int hi = i + h > n - 1 ? n - 1 : i + h;
    const std::int64_t s = prefix[hi - inLo + 1] - prefix[lo - inLo];
    // A zero sum is +0.0, as adding from 0.0 in double gives.
    const double sum = s == 0 ? 0.0 : static_cast<double>(s) * fromInt;
    dst[i] = static_cast<float>(sum / (hi - lo + 1));
  }
}

}  // namespace

void FilterChannel(float* p, int n, bool twoChannels) {
  if (p == nullptr || n <= 0) return;
  const int h = twoChannels ? 17 : 33;
  const std::vector<float> scratch(p, p + n);
  std::vector<std::int64_t> prefix;
  prefix.reserve(kBlock + 2 * 33 + 1);
  for (int from = 0; from < n; from += kBlock) {
    const int to = n - from < kBlock ? n : from + kBlock;
    FilterBlock(scratch.data(), p, n, h, from, to, prefix);
  }
}

// ---- paths -----------------------------------------------------------------

bool SameFile(const std::string& a, const std::string& b) {
  namespace fs = std::filesystem;
  std::error_code ec1, ec2;
  if (a.empty() || b.empty()) return a == b;
  const fs::path pa = PathFromUtf8(a), pb = PathFromUtf8(b);
  if (fs::exists(pa, ec1) && fs::exists(pb, ec2)) {
    std::error_code ec;
    bool same = fs::equivalent(pa, pb, ec);
    if (!ec) return same;
  }
  std::error_code ea, eb;
  fs::path ca = fs::weakly_canonical(fs::absolute(pa, ea), ea);
  fs::path cb = fs::weakly_canonical(fs::absolute(pb, eb), eb);
  if (ea || eb) return fs::absolute(pa, ea).lexically_normal() == fs::absolute(pb, eb).lexically_normal();
  return ca == cb;
}

}  // namespace zet
