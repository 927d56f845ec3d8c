#pragma once
// The .zet document file: magic "LOG\0", version 2, 72-byte header, shunt
// resistance, three counted float blocks and a Windows-1251 comment.
#include <cstdint>
#include <string>
#include <vector>

#include "recording/recording.h"

namespace zet {

enum class ZetStatus {
  Ok,
  WrongMagic,  // message 32831; nothing else read
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

std::string Cp1251ToUtf8(const std::string& bytes);
std::string Utf8ToCp1251(const std::string& text);  // unmappable characters become '?'

}  // namespace zet
