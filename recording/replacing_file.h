#pragma once
// Writing a user's file so that nothing of theirs is lost, replaced behind
// their back or hung on.
#include <cstddef>
#include <string>
#ifndef _WIN32
#include <sys/types.h>
#endif

namespace zet {

// How a save, an export or the raw data file reaches its target:
// - A regular file (or the final target of a symbolic link to one; the link
//   stays a link) is replaced only once the new content is complete: it is
//   written to a temporary beside the target (unnamed where the file system
//   allows, so nothing is left even when the program is killed), synced and
//   renamed over it. The replaced file keeps its mode and, where allowed, its
//   owner. A file this user could not open for writing is reported and left
//   untouched.
// - Anything else that exists (a terminal, a FIFO, a device) is opened and
//   written in place, never renamed over; so is anything under /dev or /proc.
//   A FIFO without a reader is reported instead of waited for.
// - Where no temporary can be created beside an existing writable file (a
//   folder this user may not write), that file is written in place.
// - A new file gets the mode the user's umask gives.
// - With allowStdout, the name "-" is standard output.
// Error() is a message for the user.
class ReplacingFile {
 public:
  explicit ReplacingFile(std::string path, bool allowStdout = false);
  ~ReplacingFile();  // an uncommitted temporary is removed
  ReplacingFile(const ReplacingFile&) = delete;
  ReplacingFile& operator=(const ReplacingFile&) = delete;
  bool Open();
  bool Write(const void* data, std::size_t size);
  bool Commit();
  const std::string& Error() const { return error_; }
  // Whether Open chose to write the target itself rather than a temporary.
  bool InPlace() const { return inPlace_; }

 private:
  // One twin per platform: replacing_file_posix.cpp, replacing_file_win.cpp.
  bool Fail(const char* what, long err);
  std::string path_, error_;
  bool allowStdout_;
  bool inPlace_ = false;
#ifdef _WIN32
  bool OpenInPlace(const std::wstring& path, bool truncate);
  std::wstring target_;     // the full path of what is replaced
  void* handle_ = nullptr;  // the temporary, or the target written in place
#else
  bool OpenInPlace(const std::string& path, bool truncate);
  bool OpenUnnamed(mode_t mode);
  bool NameUnnamed();
  void DropTemporary();
  std::string target_, temp_;
  bool existed_ = false;  // the target was there to be replaced
  bool unnamed_ = false;  // the temporary has no name yet
  int fd_ = -1;
  int slot_ = -1;  // in the interrupt clean-up table
#endif
};

// Named temporaries in the making are listed in a fixed table, so that a
// program that is interrupted (SIGINT, SIGTERM, SIGHUP, SIGPIPE) removes them
// before it ends the way that signal ends it. Installs the handlers; a handler
// installed later for one of these signals (an interruptible transfer, say)
// takes over that signal. A write past a file-size limit (SIGXFSZ) fails
// like any other write error. On Windows a temporary is marked for deletion
// while it is written, so the system removes it however the program ends, and
// there is nothing to install.
void RemoveTemporariesOnSignals();

// Off: every temporary is named, as on a file system without unnamed files
// (tests of that path).
void UseUnnamedTemporaries(bool on);

}  // namespace zet
