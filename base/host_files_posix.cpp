#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "base/host_files.h"

namespace zet {

std::filesystem::path PathFromUtf8(const std::string& path) { return std::filesystem::path(path); }

std::string Utf8FromPath(const std::filesystem::path& path) { return path.string(); }

std::FILE* OpenStdioFile(const std::string& path, const char* mode) { return std::fopen(path.c_str(), mode); }

NewFile CreateNewFile(const std::string& path, long* error) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
  if (fd >= 0) {
    ::close(fd);
    return NewFile::Created;
  }
  if (error) *error = errno;
  return errno == EEXIST ? NewFile::Exists : NewFile::Failed;
}

bool IsWritableDirectory(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && ::access(path.c_str(), W_OK | X_OK) == 0;
}

InputFile::~InputFile() {
  if (handle_ >= 0) ::close(static_cast<int>(handle_));
}

InputFile::Opened InputFile::Open(const std::string& path) {
  // Without O_NONBLOCK a FIFO would wait for a writer before the check below.
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
  if (fd < 0) {
    error_ = errno;
    return Opened::Failed;
  }
  struct stat st {};
  if (::fstat(fd, &st) != 0) {
    error_ = errno;
    ::close(fd);
    return Opened::Failed;
  }
  if (!S_ISREG(st.st_mode)) {
    ::close(fd);
    return S_ISDIR(st.st_mode) ? Opened::Directory : Opened::NotRegular;
  }
  const int flags = ::fcntl(fd, F_GETFL);
  if (flags >= 0) ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
  handle_ = fd;
  size_ = static_cast<std::uint64_t>(st.st_size);
  return Opened::Ok;
}

long long InputFile::Read(void* buf, std::size_t n) {
  for (;;) {
    const ssize_t k = ::read(static_cast<int>(handle_), buf, n);
    if (k < 0 && errno == EINTR) continue;
    if (k < 0) error_ = errno;
    return k;
  }
}

long long InputFile::ReadAt(std::uint64_t offset, void* buf, std::size_t n) {
  const ssize_t k = ::pread(static_cast<int>(handle_), buf, n, static_cast<off_t>(offset));
  if (k < 0) error_ = errno;
  return k;
}

}  // namespace zet
