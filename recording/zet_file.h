#pragma once
// The .zet document file: magic "LOG\0", version 2, 72-byte header, shunt
// resistance, three counted float blocks and a Windows-1251 comment.
#include <cstdint>
#include <string>
#include <vector>

#include "recording/recording.h"
#include "recording/replacing_file.h"

namespace zet {

enum class ZetStatus {
  Ok,
  WrongMagic,  // message 32831; nothing else read
  Empty,       // a file of length 0: opens as an empty recording under its name
  Damaged,     // cut, negative or impossible counts, bad comment length
  IoError,     // cannot open / read / write
};

struct ZetReadResult {
  ZetStatus status = ZetStatus::Ok;
  Recording recording;
  std::string message;  // for the user, Russian
};

inline constexpr const char* kWrongFormatMessage =
    "Неправильный формат файла !\nОткрываемый файл должен был быть создан этой программой";

std::vector<std::uint8_t> EncodeZet(const Recording& rec);
ZetReadResult DecodeZet(const std::uint8_t* data, std::size_t size);
ZetReadResult ReadZetFile(const std::string& path);
// Writes a new file beside the target and replaces the target only when the
// whole file is written; an error leaves an existing file untouched.
// Returns an empty string on success, else a message for the user.
std::string WriteZetFile(const std::string& path, const Recording& rec);

// Header values no program of ours writes are refused as Damaged rather than
// handed to the views: a non-finite or negative period, range, largest range
// or shunt resistance, ranges above 1000 V, and a channel count other than
// 0 (empty document), 1 or 2. Start date fields are kept as read; the time
// texts cope with any of them.

// The comment's limit in the file (longer ones cannot be read back).
inline constexpr std::uint32_t kMaxCommentBytes = 0xFFFFF;
// No recorder memory holds more samples of one kind; a larger count is damage.
inline constexpr std::int32_t kMaxSamples = 1 << 24;
// The largest file a recording can give: header, three full arrays, comment.
inline constexpr std::uint64_t kMaxZetFileSize =
    4 + 4 + 72 + 8 + 3 * (4 + 4 * std::uint64_t{kMaxSamples}) + 4 + kMaxCommentBytes;

// The comment's bytes as the file stores them: those read from the file while
// the comment is unedited, else the text in Windows-1251 with CR LF.
std::string StoredComment(const Recording& rec);

// Comment text in the file: Windows-1251 with CR LF; in memory: UTF-8 with LF.
std::string Cp1251ToUtf8(const std::string& bytes);
std::string Utf8ToCp1251(const std::string& text);  // unmappable characters become '?'

}  // namespace zet
