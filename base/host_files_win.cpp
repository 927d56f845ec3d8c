#include <windows.h>

#include "base/host_files.h"
#include "base/wide_text.h"

namespace zet {
namespace {

HANDLE Handle(std::intptr_t h) { return reinterpret_cast<HANDLE>(h); }

}  // namespace

std::filesystem::path PathFromUtf8(const std::string& path) { return std::filesystem::path(WideFromUtf8(path)); }

std::string Utf8FromPath(const std::filesystem::path& path) { return Utf8FromWide(path.wstring()); }

std::FILE* OpenStdioFile(const std::string& path, const char* mode) {
  return _wfopen(WideFromUtf8(path).c_str(), WideFromUtf8(mode).c_str());
}

NewFile CreateNewFile(const std::string& path, long* error) {
  HANDLE h = CreateFileW(WideFromUtf8(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL,
                         nullptr);
  if (h != INVALID_HANDLE_VALUE) {
    CloseHandle(h);
    return NewFile::Created;
  }
  const DWORD err = GetLastError();
  if (error) *error = static_cast<long>(err);
  return (err == ERROR_FILE_EXISTS || err == ERROR_ALREADY_EXISTS) ? NewFile::Exists : NewFile::Failed;
}

bool IsWritableDirectory(const std::string& path) {
  const DWORD attributes = GetFileAttributesW(WideFromUtf8(path).c_str());
  // The read-only attribute of a folder does not stop files being made in it;
  // whether this user may is found out when a file is made.
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

InputFile::~InputFile() {
  if (handle_ != -1) CloseHandle(Handle(handle_));
}

InputFile::Opened InputFile::Open(const std::string& path) {
  const std::wstring name = WideFromUtf8(path);
  const DWORD attributes = GetFileAttributesW(name.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) return Opened::Directory;
  HANDLE h = CreateFileW(name.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                         nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
  if (h == INVALID_HANDLE_VALUE) {
    error_ = static_cast<long>(GetLastError());
    return Opened::Failed;
  }
  LARGE_INTEGER size{};
  if (GetFileType(h) != FILE_TYPE_DISK) {
    CloseHandle(h);
    return Opened::NotRegular;
  }
  if (!GetFileSizeEx(h, &size)) {
    error_ = static_cast<long>(GetLastError());
    CloseHandle(h);
    return Opened::Failed;
  }
  handle_ = reinterpret_cast<std::intptr_t>(h);
  size_ = static_cast<std::uint64_t>(size.QuadPart);
  return Opened::Ok;
}

long long InputFile::Read(void* buf, std::size_t n) {
  DWORD got = 0;
  const DWORD want = static_cast<DWORD>(n < (1u << 30) ? n : (1u << 30));
  if (!ReadFile(Handle(handle_), buf, want, &got, nullptr)) {
    error_ = static_cast<long>(GetLastError());
    return -1;
  }
  return got;
}

long long InputFile::ReadAt(std::uint64_t offset, void* buf, std::size_t n) {
  OVERLAPPED at{};
  at.Offset = static_cast<DWORD>(offset);
  at.OffsetHigh = static_cast<DWORD>(offset >> 32);
  DWORD got = 0;
  const DWORD want = static_cast<DWORD>(n < (1u << 30) ? n : (1u << 30));
  if (!ReadFile(Handle(handle_), buf, want, &got, &at)) {
    const DWORD err = GetLastError();
    if (err == ERROR_HANDLE_EOF) return 0;
    error_ = static_cast<long>(err);
    return -1;
  }
  return got;
}

}  // namespace zet
