#include "recording/replacing_file.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <system_error>
#include <vector>

namespace zet {

namespace {

// ---- temporaries to remove when interrupted -------------------------------
// Filled and emptied by the program, read by a signal handler: plain arrays
// and lock-free flags only.
constexpr int kSlots = 16;
char g_tempPaths[kSlots][PATH_MAX];
std::atomic<int> g_tempUsed[kSlots];

int ListTemporary(const std::string& path) {
  if (path.size() >= PATH_MAX) return -1;
  for (int k = 0; k < kSlots; ++k) {
    int expected = 0;
    // 2 = being filled: the handler does not look at it yet.
    if (g_tempUsed[k].compare_exchange_strong(expected, 2)) {
      std::memcpy(g_tempPaths[k], path.c_str(), path.size() + 1);
      g_tempUsed[k].store(1);
      return k;
    }
  }
  return -1;
}

void UnlistTemporary(int slot) {
  if (slot >= 0) g_tempUsed[slot].store(0);
}

extern "C" void RemoveTemporariesAndDie(int sig) {
  for (int k = 0; k < kSlots; ++k)
    if (g_tempUsed[k].load() == 1) ::unlink(g_tempPaths[k]);
  ::signal(sig, SIG_DFL);
  ::raise(sig);
}

std::string SystemMessage(int err) { return std::generic_category().message(err); }

mode_t NewFileMode() {
  // umask can only be read by setting it; nothing else here creates files meanwhile.
  const mode_t mask = ::umask(022);
  ::umask(mask);
  return 0666 & ~mask;
}

// System folders are never given temporaries, whatever their entries are.
bool IsSystemPath(const std::string& path) {
  return path.rfind("/dev/", 0) == 0 || path.rfind("/proc/", 0) == 0;
}

// Where a chain of symbolic links ends, even when nothing exists there yet.
std::string FinalLinkTarget(const std::string& path) {
  namespace fs = std::filesystem;
  fs::path p(path);
  std::error_code ec;
  for (int hops = 0; hops < 40 && fs::is_symlink(fs::symlink_status(p, ec)); ++hops) {
    fs::path next = fs::read_symlink(p, ec);
    if (ec) break;
    p = next.is_absolute() ? next : p.parent_path() / next;
  }
  return p.lexically_normal().string();
}

}  // namespace

void RemoveTemporariesOnSignals() {
  struct sigaction sa {};
  sa.sa_handler = RemoveTemporariesAndDie;
  sigemptyset(&sa.sa_mask);
  for (int sig : {SIGINT, SIGTERM, SIGHUP, SIGPIPE}) sigaddset(&sa.sa_mask, sig);
  for (int sig : {SIGINT, SIGTERM, SIGHUP, SIGPIPE}) ::sigaction(sig, &sa, nullptr);
}

ReplacingFile::ReplacingFile(std::string path, bool allowStdout)
    : path_(std::move(path)), allowStdout_(allowStdout) {}

ReplacingFile::~ReplacingFile() {
  if (fd_ >= 0) ::close(fd_);
  DropTemporary();
}

void ReplacingFile::DropTemporary() {
  if (!temp_.empty()) ::unlink(temp_.c_str());
  temp_.clear();
  UnlistTemporary(slot_);
  slot_ = -1;
}

bool ReplacingFile::Fail(const char* what, int err) {
  error_ = std::string(what) + " «" + path_ + "».\n" + SystemMessage(err);
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
  DropTemporary();
  return false;
}

bool ReplacingFile::OpenInPlace(const std::string& path, bool truncate) {
  inPlace_ = true;
  // Non-blocking, so a FIFO without a reader is an error rather than a hang.
  fd_ = ::open(path.c_str(), O_WRONLY | O_NOCTTY | O_CLOEXEC | O_NONBLOCK | (truncate ? O_TRUNC : 0));
  if (fd_ < 0) return Fail("Не удалось записать файл", errno);
  const int flags = ::fcntl(fd_, F_GETFL);
  if (flags >= 0) ::fcntl(fd_, F_SETFL, flags & ~O_NONBLOCK);
  return true;
}

bool ReplacingFile::Open() {
  if (allowStdout_ && path_ == "-") {
    inPlace_ = true;
    fd_ = ::fcntl(1, F_DUPFD_CLOEXEC, 3);
    if (fd_ < 0) return Fail("Не удалось записать файл", errno);
    return true;
  }
  target_ = path_;
  mode_t mode = 0;
  bool existed = false;
  struct stat st {};
  if (::stat(path_.c_str(), &st) == 0) {
    if (S_ISDIR(st.st_mode)) return Fail("Не удалось записать файл", EISDIR);
    if (!S_ISREG(st.st_mode) || IsSystemPath(path_)) return OpenInPlace(path_, S_ISREG(st.st_mode));
    if (char* real = ::realpath(path_.c_str(), nullptr)) {
      target_ = real;
      std::free(real);
    }
    if (IsSystemPath(target_)) return OpenInPlace(target_, true);
    // Only a file this user may write is replaced; asking by opening it
    // changes nothing in it.
    const int probe = ::open(target_.c_str(), O_WRONLY | O_NOCTTY | O_CLOEXEC | O_NONBLOCK);
    if (probe < 0) return Fail("Не удалось записать файл", errno);
    ::close(probe);
    existed = true;
    mode = st.st_mode & 07777;
  } else if (errno == ENOENT) {
    // A link that points nowhere yet creates the file it points to.
    target_ = FinalLinkTarget(path_);
    if (IsSystemPath(target_)) return OpenInPlace(target_, true);
    mode = NewFileMode();
  } else {
    return Fail("Не удалось создать файл", errno);
  }

  std::string tmpl = target_ + ".tmp-XXXXXX";
  std::vector<char> name(tmpl.begin(), tmpl.end());
  name.push_back('\0');
  fd_ = ::mkstemp(name.data());
  if (fd_ < 0) {
    const int err = errno;
    if (existed && (err == EACCES || err == EPERM || err == EROFS)) return OpenInPlace(target_, true);
    return Fail("Не удалось создать файл", err);
  }
  temp_ = name.data();
  slot_ = ListTemporary(temp_);
  ::fchmod(fd_, mode);
  if (existed && ::fchown(fd_, st.st_uid, st.st_gid) != 0) {
    // Only the owner's own group or root may keep it; the mode is kept anyway.
  }
  return true;
}

bool ReplacingFile::Write(const void* data, std::size_t size) {
  if (fd_ < 0) {
    if (error_.empty()) error_ = "Файл «" + path_ + "» не открыт.";
    return false;
  }
  const auto* p = static_cast<const char*>(data);
  while (size > 0) {
    ssize_t n = ::write(fd_, p, size);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return Fail("Не удалось записать файл", n == 0 ? ENOSPC : errno);
    p += n;
    size -= static_cast<std::size_t>(n);
  }
  return true;
}

bool ReplacingFile::Commit() {
  if (fd_ < 0) {
    if (error_.empty()) error_ = "Файл «" + path_ + "» не открыт.";
    return false;
  }
  // Pipes and terminals cannot be synced; that is no failure.
  if (::fsync(fd_) != 0 && !(inPlace_ && (errno == EINVAL || errno == EROFS || errno == ENOTSUP)))
    return Fail("Не удалось записать файл", errno);
  const int fd = fd_;
  fd_ = -1;
  if (::close(fd) != 0 && errno != EINTR) return Fail("Не удалось записать файл", errno);
  if (inPlace_) return true;
  if (::rename(temp_.c_str(), target_.c_str()) != 0) return Fail("Не удалось записать файл", errno);
  temp_.clear();
  UnlistTemporary(slot_);
  slot_ = -1;
  // The rename itself reaches the disk with the directory.
  std::string dir = std::filesystem::path(target_).parent_path().string();
  if (dir.empty()) dir = ".";
  int dfd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dfd >= 0) {
    ::fsync(dfd);
    ::close(dfd);
  }
  return true;
}

}  // namespace zet
