#pragma once
// The file-system calls below core's file rules, one set per platform. Path
// texts are UTF-8 everywhere; on Windows they reach the wide-character calls,
// never the ANSI code page. Error codes are the system's (errno, or
// GetLastError on Windows); SystemErrorText describes them.
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>

namespace zet {

std::filesystem::path PathFromUtf8(const std::string& path);
std::string Utf8FromPath(const std::filesystem::path& path);

// std::fopen with a UTF-8 name.
std::FILE* OpenStdioFile(const std::string& path, const char* mode);

// Creates a new empty file and never opens an existing one, so nothing is
// ever replaced, not even a file that someone else creates meanwhile.
enum class NewFile { Created, Exists, Failed };
NewFile CreateNewFile(const std::string& path, long* error);

bool IsWritableDirectory(const std::string& path);

// A file opened for reading only when it is a regular file: a FIFO, a device
// or a folder is reported without waiting on it.
class InputFile {
 public:
  enum class Opened { Ok, Failed, Directory, NotRegular };
  InputFile() = default;
  ~InputFile();
  InputFile(const InputFile&) = delete;
  InputFile& operator=(const InputFile&) = delete;

  Opened Open(const std::string& path);  // Failed: Error() says why
  std::uint64_t Size() const { return size_; }
  // Bytes read, 0 at the end, -1 on failure (Error() says why).
  long long Read(void* buf, std::size_t n);
  long long ReadAt(std::uint64_t offset, void* buf, std::size_t n);
  long Error() const { return error_; }

 private:
  std::intptr_t handle_ = -1;  // a descriptor, or a HANDLE on Windows
  std::uint64_t size_ = 0;
  long error_ = 0;
};

}  // namespace zet
