#include "recording/zet_file.h"

#include <bit>
#include <cmath>
#include <cstring>
#include <limits>
#include <new>

#include "base/host_files.h"
#include "base/system_error.h"

namespace zet {

namespace {

constexpr std::uint8_t kMagic[4] = {0x4C, 0x4F, 0x47, 0x00};
constexpr std::int32_t kVersion = 2;
constexpr std::size_t kHeaderSize = 72;

constexpr char16_t kCp1251High[128] = {
    0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021, 0x20AC, 0x2030, 0x0409, 0x2039, 0x040A,
    0x040C, 0x040B, 0x040F, 0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, 0x0098, 0x2122,
    0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F, 0x00A0, 0x040E, 0x045E, 0x0408, 0x00A4, 0x0490, 0x00A6,
    0x00A7, 0x0401, 0x00A9, 0x0404, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x0407, 0x00B0, 0x00B1, 0x0406, 0x0456,
    0x0491, 0x00B5, 0x00B6, 0x00B7, 0x0451, 0x2116, 0x0454, 0x00BB, 0x0458, 0x0405, 0x0455, 0x0457, 0x0410,
    0x0411, 0x0412, 0x0413, 0x0414, 0x0415, 0x0416, 0x0417, 0x0418, 0x0419, 0x041A, 0x041B, 0x041C, 0x041D,
    0x041E, 0x041F, 0x0420, 0x0421, 0x0422, 0x0423, 0x0424, 0x0425, 0x0426, 0x0427, 0x0428, 0x0429, 0x042A,
    0x042B, 0x042C, 0x042D, 0x042E, 0x042F, 0x0430, 0x0431, 0x0432, 0x0433, 0x0434, 0x0435, 0x0436, 0x0437,
    0x0438, 0x0439, 0x043A, 0x043B, 0x043C, 0x043D, 0x043E, 0x043F, 0x0440, 0x0441, 0x0442, 0x0443, 0x0444,
    0x0445, 0x0446, 0x0447, 0x0448, 0x0449, 0x044A, 0x044B, 0x044C, 0x044D, 0x044E, 0x044F};

void AppendUtf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

char ToCp1251(char32_t c) {
  if (c < 0x80) return static_cast<char>(c);
  for (int k = 0; k < 128; ++k)
    if (kCp1251High[k] == c) return static_cast<char>(0x80 + k);
  return '?';
}

// ---- little-endian writer / bounded reader ----

class Writer {
 public:
  explicit Writer(std::vector<std::uint8_t>& out) : out_(out) {}
  void Bytes(const void* p, std::size_t n) {
    const auto* b = static_cast<const std::uint8_t*>(p);
    out_.insert(out_.end(), b, b + n);
  }
  void U32(std::uint32_t v) {
    std::uint8_t b[4] = {static_cast<std::uint8_t>(v), static_cast<std::uint8_t>(v >> 8),
                         static_cast<std::uint8_t>(v >> 16), static_cast<std::uint8_t>(v >> 24)};
    Bytes(b, 4);
  }
  void I32(std::int32_t v) { U32(static_cast<std::uint32_t>(v)); }
  void U16(std::uint16_t v) {
    std::uint8_t b[2] = {static_cast<std::uint8_t>(v), static_cast<std::uint8_t>(v >> 8)};
    Bytes(b, 2);
  }
  void F64(double d) {
    std::uint64_t v = std::bit_cast<std::uint64_t>(d);
    U32(static_cast<std::uint32_t>(v));
    U32(static_cast<std::uint32_t>(v >> 32));
  }
  void Floats(const std::vector<float>& a) {
    if constexpr (std::endian::native == std::endian::little) {
      Bytes(a.data(), a.size() * sizeof(float));
    } else {
      for (float f : a) U32(std::bit_cast<std::uint32_t>(f));
    }
  }

 private:
  std::vector<std::uint8_t>& out_;
};

class Reader {
 public:
  Reader(const std::uint8_t* p, std::size_t n) : p_(p), n_(n) {}
  std::size_t Remaining() const { return n_ - pos_; }
  bool Has(std::size_t k) const { return Remaining() >= k; }
  std::uint32_t U32() {
    const std::uint8_t* b = p_ + pos_;
    pos_ += 4;
    return b[0] | (b[1] << 8) | (b[2] << 16) | (static_cast<std::uint32_t>(b[3]) << 24);
  }
  std::int32_t I32() { return static_cast<std::int32_t>(U32()); }
  std::uint16_t U16() {
    const std::uint8_t* b = p_ + pos_;
    pos_ += 2;
    return static_cast<std::uint16_t>(b[0] | (b[1] << 8));
  }
  double F64() {
    std::uint64_t lo = U32();
    std::uint64_t hi = U32();
    return std::bit_cast<double>(lo | (hi << 32));
  }
  void Skip(std::size_t k) { pos_ += k; }
  const std::uint8_t* Take(std::size_t k) {
    const std::uint8_t* b = p_ + pos_;
    pos_ += k;
    return b;
  }

 private:
  const std::uint8_t* p_;
  std::size_t n_;
  std::size_t pos_ = 0;
};

void EncodeHeader(Writer& w, const RecordingHeader& h) {
  w.U16(h.nDevice);
  w.U16(0);
  w.I32(h.bDateKnown);
  w.I32(h.nYear);
  w.I32(h.nMonth);
  w.I32(h.nDay);
  w.I32(h.nHour);
  w.I32(h.nMinute);
  w.I32(0);
  w.F64(h.dPeriod);
  w.I32(h.bFixedRange);
  w.I32(0);
  w.F64(h.dRange);
  w.F64(h.dMaxRange);
  w.I32(h.nChannels);
  w.I32(0);
}

RecordingHeader DecodeHeader(Reader& r) {
  RecordingHeader h;
  h.nDevice = r.U16();
  r.Skip(2);
  h.bDateKnown = r.I32();
  h.nYear = r.I32();
  h.nMonth = r.I32();
  h.nDay = r.I32();
  h.nHour = r.I32();
  h.nMinute = r.I32();
  r.Skip(4);
  h.dPeriod = r.F64();
  h.bFixedRange = r.I32();
  r.Skip(4);
  h.dRange = r.F64();
  h.dMaxRange = r.F64();
  h.nChannels = r.I32();
  r.Skip(4);
  return h;
}

bool Volts(double v) { return std::isfinite(v) && v >= 0 && v <= 1000; }

bool HeaderUsable(const RecordingHeader& h, double shunt) {
  return std::isfinite(h.dPeriod) && h.dPeriod >= 0 && Volts(h.dRange) && Volts(h.dMaxRange) &&
         h.nChannels >= 0 && h.nChannels <= 2 && std::isfinite(shunt) && shunt >= 0;
}

constexpr const char* kEmptyMessage = "Файл пуст: в нём нет записи.";
constexpr const char* kCutMessage = "Файл повреждён: он обрывается раньше, чем заканчиваются данные.";
constexpr const char* kCountMessage = "Файл повреждён: неправильное число отсчётов.";
constexpr const char* kCommentMessage = "Файл повреждён: неправильная длина комментария.";
constexpr const char* kHeaderMessage = "Файл повреждён: недопустимые значения в заголовке записи.";
constexpr const char* kTooBigMessage = "Файл повреждён: он больше любой записи, которую может сделать регистратор.";
constexpr const char* kMemoryMessage = "Недостаточно памяти, чтобы открыть файл.";

ZetReadResult Fail(ZetStatus status, std::string message) {
  ZetReadResult r;
  r.status = status;
  r.message = std::move(message);
  return r;
}

}  // namespace

std::string Cp1251ToUtf8(const std::string& bytes) {
  std::string out;
  out.reserve(bytes.size() * 2);
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    const auto b = static_cast<unsigned char>(bytes[i]);
    if (b == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') continue;
    if (b < 0x80)
      out += static_cast<char>(b);
    else
      AppendUtf8(out, kCp1251High[b - 0x80]);
  }
  return out;
}

std::string Utf8ToCp1251(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  const auto* s = reinterpret_cast<const unsigned char*>(text.data());
  const std::size_t n = text.size();
  for (std::size_t i = 0; i < n;) {
    const unsigned char b = s[i];
    char32_t c;
    std::size_t len;
    if (b < 0x80) {
      c = b;
      len = 1;
    } else if ((b & 0xE0) == 0xC0) {
      c = b & 0x1F;
      len = 2;
    } else if ((b & 0xF0) == 0xE0) {
      c = b & 0x0F;
      len = 3;
    } else if ((b & 0xF8) == 0xF0) {
      c = b & 0x07;
      len = 4;
    } else {
      out += '?';
      ++i;
      continue;
    }
    bool valid = i + len <= n;
    for (std::size_t k = 1; valid && k < len; ++k) {
      if ((s[i + k] & 0xC0) != 0x80)
        valid = false;
      else
        c = (c << 6) | (s[i + k] & 0x3F);
    }
    if (!valid) {
      out += '?';
      ++i;
      continue;
    }
    i += len;
    if (c == '\n') out += '\r';  // every LF of the text; a CR of its own stays a CR
    out += ToCp1251(c);
  }
  return out;
}

std::string StoredComment(const Recording& rec) {
  return rec.commentBytes ? *rec.commentBytes : Utf8ToCp1251(rec.comment);
}

std::vector<std::uint8_t> EncodeZet(const Recording& rec) {
  std::vector<std::uint8_t> out;
  const std::string comment = StoredComment(rec);
  std::size_t samples = static_cast<std::size_t>(Count(rec.channel1)) + Count(rec.channel2) + Count(rec.supply);
  out.reserve(8 + kHeaderSize + 8 + 12 + samples * 4 + 4 + comment.size());
  Writer w(out);
  w.Bytes(kMagic, 4);
  w.I32(kVersion);
  EncodeHeader(w, rec.header);
  w.F64(rec.shuntResistance);
  for (const SampleArray* a : {&rec.channel1, &rec.channel2, &rec.supply}) {
    w.I32(Count(*a));
    if (Count(*a) != 0) w.Floats(**a);
  }
  w.U32(static_cast<std::uint32_t>(comment.size()));
  w.Bytes(comment.data(), comment.size());
  return out;
}

ZetReadResult DecodeZet(const std::uint8_t* data, std::size_t size) {
  if (size == 0 || data == nullptr) return Fail(ZetStatus::Empty, kEmptyMessage);
  if (std::memcmp(data, kMagic, size < 4 ? size : 4) != 0)
    return Fail(ZetStatus::WrongMagic, kWrongFormatMessage);
  Reader r(data, size);
  if (!r.Has(4 + 4 + kHeaderSize + 8)) return Fail(ZetStatus::Damaged, kCutMessage);
  r.Skip(4);
  r.I32();  // any version is read with this layout
  ZetReadResult res;
  Recording& rec = res.recording;
  rec.header = DecodeHeader(r);
  rec.shuntResistance = r.F64();
  if (!HeaderUsable(rec.header, rec.shuntResistance)) return Fail(ZetStatus::Damaged, kHeaderMessage);
  try {
    for (SampleArray* a : {&rec.channel1, &rec.channel2, &rec.supply}) {
      if (!r.Has(4)) return Fail(ZetStatus::Damaged, kCutMessage);
      const std::int32_t count = r.I32();
      if (count < 0 || count > kMaxSamples) return Fail(ZetStatus::Damaged, kCountMessage);
      if (count == 0) continue;  // no array, as after a one-channel save
      // The count is checked against the bytes present before anything is allocated.
      const std::size_t bytes = static_cast<std::size_t>(count) * 4;
      if (!r.Has(bytes)) return Fail(ZetStatus::Damaged, kCutMessage);
      a->emplace(static_cast<std::size_t>(count));
      const std::uint8_t* src = r.Take(bytes);
      if constexpr (std::endian::native == std::endian::little) {
        std::memcpy((*a)->data(), src, bytes);
      } else {
        for (std::size_t k = 0; k < static_cast<std::size_t>(count); ++k) {
          std::uint32_t v = src[4 * k] | (src[4 * k + 1] << 8) | (src[4 * k + 2] << 16) |
                            (static_cast<std::uint32_t>(src[4 * k + 3]) << 24);
          (**a)[k] = std::bit_cast<float>(v);
        }
      }
    }
    if (!r.Has(4)) return Fail(ZetStatus::Damaged, kCutMessage);
    const std::uint32_t len = r.U32();
    if (len > kMaxCommentBytes) return Fail(ZetStatus::Damaged, kCommentMessage);
    if (!r.Has(len)) return Fail(ZetStatus::Damaged, kCutMessage);
    const auto* text = reinterpret_cast<const char*>(r.Take(len));
    rec.commentBytes.emplace(text, len);
    rec.comment = Cp1251ToUtf8(*rec.commentBytes);
  } catch (const std::bad_alloc&) {
    return Fail(ZetStatus::IoError, kMemoryMessage);
  }
  return res;
}

ZetReadResult ReadZetFile(const std::string& path) {
  InputFile file;
  switch (file.Open(path)) {
    case InputFile::Opened::Ok: break;
    case InputFile::Opened::Failed:
      return Fail(ZetStatus::IoError, "Не удалось открыть файл «" + path + "».\n" + SystemErrorText(file.Error()));
    case InputFile::Opened::Directory:
      return Fail(ZetStatus::IoError, "Не удалось прочитать файл «" + path + "».\nЭто каталог.");
    case InputFile::Opened::NotRegular:
      return Fail(ZetStatus::IoError, "Не удалось прочитать файл «" + path + "».\nЭто не обычный файл.");
  }
  const auto readFailed = [&] {
    return Fail(ZetStatus::IoError, "Не удалось прочитать файл «" + path + "».\n" + SystemErrorText(file.Error()));
  };
  if (file.Size() > kMaxZetFileSize) {
    // Larger than any recording: say why from its first bytes, read nothing more.
    std::uint8_t head[4 + 4 + kHeaderSize + 8 + 4];
    const long long n = file.ReadAt(0, head, sizeof head);
    if (n < 0) return readFailed();
    ZetReadResult r = DecodeZet(head, static_cast<std::size_t>(n));
    // Its first bytes cut short are no news; anything else wrong with them is the reason.
    if (r.message != kCutMessage) return r;
    return Fail(ZetStatus::Damaged, kTooBigMessage);
  }
  std::vector<std::uint8_t> buf;
  try {
    buf.resize(static_cast<std::size_t>(file.Size()));
  } catch (const std::bad_alloc&) {
    return Fail(ZetStatus::IoError, kMemoryMessage);
  }
  std::size_t got = 0;
  while (got < buf.size()) {
    const long long n = file.Read(buf.data() + got, buf.size() - got);
    if (n < 0) return readFailed();
    if (n == 0) break;  // the file shrank meanwhile: decode what is there
    got += static_cast<std::size_t>(n);
  }
  return DecodeZet(buf.data(), got);
}

std::string WriteZetFile(const std::string& path, const Recording& rec) {
  for (const SampleArray* a : {&rec.channel1, &rec.channel2, &rec.supply})
    if (a->has_value() && (*a)->size() > static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max()))
      return "Запись слишком велика для файла.";
  std::vector<std::uint8_t> bytes;
  try {
    if (StoredComment(rec).size() > kMaxCommentBytes)
      return "Комментарий слишком длинный: в файл можно записать не более 1048575 символов.";
    bytes = EncodeZet(rec);
  } catch (const std::bad_alloc&) {
    return "Недостаточно памяти, чтобы сохранить файл.";
  }
  ReplacingFile f(path);
  if (!f.Open() || !f.Write(bytes.data(), bytes.size()) || !f.Commit()) return f.Error();
  return {};
}

}  // namespace zet
