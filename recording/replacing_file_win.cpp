#include <windows.h>

#include <cstring>
#include <random>
#include <vector>

#include "base/system_error.h"
#include "base/wide_text.h"
#include "recording/replacing_file.h"

namespace zet {
namespace {

// "An operation is not supported on a directory." (older headers lack the name)
constexpr long kErrorDirectoryNotSupported = 336;

HANDLE Handle(void* h) { return static_cast<HANDLE>(h); }

// A temporary marked for deletion goes when its last handle closes, however
// the process ends (Ctrl+C, a closed console, the task manager): nothing is
// left beside the target. Cleared only for the rename into place.
bool MarkForDeletion(HANDLE h, bool on) {
  FILE_DISPOSITION_INFO info{};
  info.DeleteFile = on ? TRUE : FALSE;
  return SetFileInformationByHandle(h, FileDispositionInfo, &info, sizeof info) != 0;
}

// Renames the open file over `target` in one step.
bool RenameOver(HANDLE h, const std::wstring& target) {
  std::vector<unsigned char> buf(sizeof(FILE_RENAME_INFO) + (target.size() + 1) * sizeof(wchar_t));
  auto* info = reinterpret_cast<FILE_RENAME_INFO*>(buf.data());
  info->ReplaceIfExists = TRUE;
  info->RootDirectory = nullptr;
  info->FileNameLength = static_cast<DWORD>(target.size() * sizeof(wchar_t));
  std::memcpy(info->FileName, target.c_str(), (target.size() + 1) * sizeof(wchar_t));
  return SetFileInformationByHandle(h, FileRenameInfo, info, static_cast<DWORD>(buf.size())) != 0;
}

// The full path, as a rename by handle needs it.
std::wstring FullPath(const std::wstring& path) {
  const DWORD n = GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
  if (n == 0) return path;
  std::wstring out(n, L'\0');
  const DWORD m = GetFullPathNameW(path.c_str(), n, out.data(), nullptr);
  out.resize(m);
  return out;
}

// Where a symbolic link finally points; the path itself otherwise.
std::wstring FinalTarget(const std::wstring& path) {
  HANDLE h = CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                         OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (h == INVALID_HANDLE_VALUE) return path;
  wchar_t buf[MAX_PATH * 4];
  const DWORD n = GetFinalPathNameByHandleW(h, buf, static_cast<DWORD>(std::size(buf)), FILE_NAME_NORMALIZED);
  CloseHandle(h);
  if (n == 0 || n >= std::size(buf)) return path;
  return std::wstring(buf, n);
}

// Device names and the device namespace are written where they are.
bool IsDevicePath(const std::wstring& path) { return path.rfind(L"\\\\.\\", 0) == 0; }

}  // namespace

void RemoveTemporariesOnSignals() {
  // Temporaries are marked for deletion while they are written (see above),
  // so the system removes them whichever way the program ends.
}

void UseUnnamedTemporaries(bool) {}

ReplacingFile::ReplacingFile(std::string path, bool allowStdout) : path_(std::move(path)), allowStdout_(allowStdout) {}

ReplacingFile::~ReplacingFile() {
  if (handle_ != nullptr) CloseHandle(Handle(handle_));  // a temporary goes with its handle
}

bool ReplacingFile::Fail(const char* what, long err) {
  error_ = std::string(what) + " «" + path_ + "».\n" + SystemErrorText(err);
  if (handle_ != nullptr) CloseHandle(Handle(handle_));
  handle_ = nullptr;
  return false;
}

bool ReplacingFile::OpenInPlace(const std::wstring& path, bool truncate) {
  inPlace_ = true;
  HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                         truncate ? TRUNCATE_EXISTING : OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return Fail("Не удалось записать файл", static_cast<long>(GetLastError()));
  handle_ = static_cast<void*>(h);
  return true;
}

bool ReplacingFile::Open() {
  if (allowStdout_ && path_ == "-") {
    inPlace_ = true;
    HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE), dup = nullptr;
    if (out == nullptr || out == INVALID_HANDLE_VALUE ||
        !DuplicateHandle(GetCurrentProcess(), out, GetCurrentProcess(), &dup, 0, FALSE, DUPLICATE_SAME_ACCESS))
      return Fail("Не удалось записать файл", static_cast<long>(GetLastError()));
    handle_ = static_cast<void*>(dup);
    return true;
  }
  std::wstring target = WideFromUtf8(path_);
  if (IsDevicePath(target)) return OpenInPlace(target, false);
  const DWORD attributes = GetFileAttributesW(target.c_str());
  bool existed = false;
  if (attributes != INVALID_FILE_ATTRIBUTES) {
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) return Fail("Не удалось записать файл", kErrorDirectoryNotSupported);
    if (attributes & FILE_ATTRIBUTE_REPARSE_POINT) target = FinalTarget(target);
    // Only a file this user may write is replaced; asking by opening it
    // changes nothing in it. A device (NUL, CON, COM1) is written in place.
    HANDLE probe = CreateFileW(target.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                               nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (probe == INVALID_HANDLE_VALUE) return Fail("Не удалось записать файл", static_cast<long>(GetLastError()));
    const bool disk = GetFileType(probe) == FILE_TYPE_DISK;
    CloseHandle(probe);
    if (!disk) return OpenInPlace(target, false);
    existed = true;
  } else {
    const DWORD err = GetLastError();
    if (err != ERROR_FILE_NOT_FOUND) return Fail("Не удалось создать файл", static_cast<long>(err));
  }
  target_ = FullPath(target);

  std::random_device seed;
  std::mt19937 rng(seed());
  HANDLE h = INVALID_HANDLE_VALUE;
  DWORD err = 0;
  for (int attempt = 0; attempt < 100 && h == INVALID_HANDLE_VALUE; ++attempt) {
    wchar_t suffix[16];
    swprintf(suffix, 16, L".tmp-%06x", static_cast<unsigned>(rng() & 0xFFFFFF));
    h = CreateFileW((target_ + suffix).c_str(), GENERIC_WRITE | DELETE, FILE_SHARE_DELETE, nullptr, CREATE_NEW,
                    FILE_ATTRIBUTE_NORMAL, nullptr);
    err = GetLastError();
    if (h == INVALID_HANDLE_VALUE && err != ERROR_FILE_EXISTS) break;
  }
  if (h == INVALID_HANDLE_VALUE) {
    if (existed && err == ERROR_ACCESS_DENIED) return OpenInPlace(target_, true);
    return Fail("Не удалось создать файл", static_cast<long>(err));
  }
  handle_ = static_cast<void*>(h);
  if (!MarkForDeletion(h, true)) return Fail("Не удалось создать файл", static_cast<long>(GetLastError()));
  if (existed && (attributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM))) {
    // A hidden file stays hidden when replaced.
    FILE_BASIC_INFO basic{};
    basic.FileAttributes = attributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE);
    SetFileInformationByHandle(h, FileBasicInfo, &basic, sizeof basic);
  }
  return true;
}

bool ReplacingFile::Write(const void* data, std::size_t size) {
  if (handle_ == nullptr) {
    if (error_.empty()) error_ = "Файл «" + path_ + "» не открыт.";
    return false;
  }
  const auto* p = static_cast<const char*>(data);
  while (size > 0) {
    DWORD wrote = 0;
    const DWORD chunk = static_cast<DWORD>(size < (1u << 30) ? size : (1u << 30));
    if (!WriteFile(Handle(handle_), p, chunk, &wrote, nullptr))
      return Fail("Не удалось записать файл", static_cast<long>(GetLastError()));
    if (wrote == 0) return Fail("Не удалось записать файл", ERROR_DISK_FULL);
    p += wrote;
    size -= wrote;
  }
  return true;
}

bool ReplacingFile::Commit() {
  if (handle_ == nullptr) {
    if (error_.empty()) error_ = "Файл «" + path_ + "» не открыт.";
    return false;
  }
  HANDLE h = Handle(handle_);
  // Pipes and consoles cannot be flushed to a disk; that is no failure.
  if (!FlushFileBuffers(h) && !inPlace_) return Fail("Не удалось записать файл", static_cast<long>(GetLastError()));
  if (!inPlace_) {
    if (!MarkForDeletion(h, false) || !RenameOver(h, target_)) {
      const DWORD err = GetLastError();
      MarkForDeletion(h, true);
      return Fail("Не удалось записать файл", static_cast<long>(err));
    }
  }
  handle_ = nullptr;
  if (!CloseHandle(h)) return Fail("Не удалось записать файл", static_cast<long>(GetLastError()));
  return true;
}

}  // namespace zet
