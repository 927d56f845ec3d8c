#include "recording/export.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <vector>

#include "recording/zet_file.h"

namespace zet {

namespace {

// Longest line: a time text (< 64) and two "%f" values of at most 330 bytes.
constexpr std::size_t kMaxLine = 64 + 2 * 330 + 4;
constexpr std::size_t kChunk = 1 << 20;

// Produces the export lines in chunks and hands each chunk to sink(data, size);
// stops early when the sink returns false.
template <class Sink>
bool ProduceLines(const LogDocument& doc, Sink&& sink) {
  if (!doc.m_pChannel1) return true;
  const std::vector<float>& ch1 = *doc.m_pChannel1;
  const int n = doc.Channel1Count();
  // Two-channel form when channel 2 has samples; rows past its end are
  // written in the one-channel form, so nothing past the array is read.
  const bool twoForm = doc.Channel2Count() != 0 && doc.m_pChannel2.has_value();
  const int n2 = twoForm ? doc.Channel2Count() : 0;
  const float* ch2 = twoForm ? doc.m_pChannel2->data() : nullptr;
  TimeTextFormatter times(doc.m_header);
  std::vector<char> buf(kChunk + kMaxLine);
  char* p = buf.data();
  char* const limit = buf.data() + kChunk;
  for (int i = 0; i < n; ++i) {
    p = times.Write(i, p);
    *p++ = '\t';
    p = FormatFixed(static_cast<double>(ch1[static_cast<std::size_t>(i)]), 6, p);
    if (i < n2) {
      *p++ = '\t';
      p = FormatFixed(static_cast<double>(ch2[i]), 6, p);
    }
    *p++ = '\n';
    if (p >= limit) {
      if (!sink(buf.data(), static_cast<std::size_t>(p - buf.data()))) return false;
      p = buf.data();
    }
  }
  if (p != buf.data()) return sink(buf.data(), static_cast<std::size_t>(p - buf.data()));
  return true;
}

}  // namespace

std::string ExportText(const LogDocument& doc) {
  std::string out;
  ProduceLines(doc, [&](const char* d, std::size_t n) {
    out.append(d, n);
    return true;
  });
  return out;
}

std::string ExportSpreadsheet(const LogDocument& doc, const std::string& path, bool allowStdout) {
  try {
    ReplacingFile f(path, allowStdout);
    if (!f.Open()) return f.Error();
    if (!ProduceLines(doc, [&](const char* d, std::size_t n) { return f.Write(d, n); })) return f.Error();
    if (!f.Commit()) return f.Error();
  } catch (const std::bad_alloc&) {
    return "Недостаточно памяти для экспорта.";
  }
  return {};
}

std::string WriteRawDataFile(const std::string& path, const std::uint8_t* data, std::size_t size) {
  ReplacingFile f(path);
  if (!f.Open() || !f.Write(data, size) || !f.Commit()) return f.Error();
  return {};
}

}  // namespace zet
