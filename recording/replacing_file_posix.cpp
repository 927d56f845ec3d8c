#include "recording/replacing_file.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <random>
#include <vector>

#include "base/system_error.h"

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

// The signals that end the program and take the temporaries with them.
constexpr int kFatalSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGPIPE};

// Holds the fatal signals off while a temporary gets its name and its slot,
// so a handler never meets a name that is not listed yet.
class FatalSignalsHeld {
 public:
  FatalSignalsHeld() {
    sigset_t set;
    sigemptyset(&set);
    for (int sig : kFatalSignals) sigaddset(&set, sig);
    ::pthread_sigmask(SIG_BLOCK, &set, &before_);
  }
  ~FatalSignalsHeld() { ::pthread_sigmask(SIG_SETMASK, &before_, nullptr); }
  FatalSignalsHeld(const FatalSignalsHeld&) = delete;
  FatalSignalsHeld& operator=(const FatalSignalsHeld&) = delete;

 private:
  sigset_t before_;
};

std::atomic<bool> g_unnamedTemporaries{true};

extern "C" void RemoveTemporariesAndDie(int sig) {
  for (int k = 0; k < kSlots; ++k)
    if (g_tempUsed[k].load() == 1) ::unlink(g_tempPaths[k]);
  ::signal(sig, SIG_DFL);
  ::raise(sig);
}

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

std::string ProcFdPath(int fd) { return "/proc/self/fd/" + std::to_string(fd); }

// Gives an unnamed file a name. Through /proc any user may; without /proc,
// AT_EMPTY_PATH (which older kernels grant only to privileged callers).
bool LinkUnnamed(int fd, const std::string& name) {
  if (::linkat(AT_FDCWD, ProcFdPath(fd).c_str(), AT_FDCWD, name.c_str(), AT_SYMLINK_FOLLOW) == 0) return true;
  const int first = errno;
  if (first == EEXIST) return false;
  if (::linkat(fd, "", AT_FDCWD, name.c_str(), AT_EMPTY_PATH) == 0) return true;
  if (first != ENOENT) errno = first;  // the reason that counts for the user
  return false;
}

// A name for a temporary beside `target` that nothing has yet.
std::string TemporaryName(const std::string& target) {
  static std::mt19937 random{std::random_device{}()};
  char suffix[8];
  std::snprintf(suffix, sizeof suffix, "%06x", static_cast<unsigned>(random() & 0xFFFFFF));
  return target + ".tmp-" + suffix;
}

void SyncFolderOf(const std::string& path) {
  std::string dir = std::filesystem::path(path).parent_path().string();
  if (dir.empty()) dir = ".";
  int dfd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dfd >= 0) {
    ::fsync(dfd);
    ::close(dfd);
  }
}

}  // namespace

void RemoveTemporariesOnSignals() {
  struct sigaction sa {};
  sa.sa_handler = RemoveTemporariesAndDie;
  sigemptyset(&sa.sa_mask);
  for (int sig : kFatalSignals) sigaddset(&sa.sa_mask, sig);
  for (int sig : kFatalSignals) ::sigaction(sig, &sa, nullptr);
  // Past a file-size limit a write then fails (EFBIG) and is reported like
  // a full disk, instead of the signal ending the program mid-write.
  ::signal(SIGXFSZ, SIG_IGN);
}

void UseUnnamedTemporaries(bool on) { g_unnamedTemporaries.store(on); }

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

bool ReplacingFile::Fail(const char* what, long err) {
  error_ = std::string(what) + " «" + path_ + "».\n" + SystemErrorText(err);
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

  existed_ = existed;
  // An unnamed temporary goes with the program whatever ends it, even
  // SIGKILL; it gets its name only once complete. Where the file system has
  // none (or anything else is amiss), a named one beside the target.
  if (!OpenUnnamed(mode)) {
    std::string tmpl = target_ + ".tmp-XXXXXX";
    std::vector<char> name(tmpl.begin(), tmpl.end());
    name.push_back('\0');
    {
      const FatalSignalsHeld held;
      fd_ = ::mkstemp(name.data());
      if (fd_ >= 0) {
        temp_ = name.data();
        slot_ = ListTemporary(temp_);
      }
    }
    if (fd_ < 0) {
      const int err = errno;
      if (existed && (err == EACCES || err == EPERM || err == EROFS)) return OpenInPlace(target_, true);
      return Fail("Не удалось создать файл", err);
    }
  }
  ::fchmod(fd_, mode);
  if (existed && ::fchown(fd_, st.st_uid, st.st_gid) != 0) {
    // Only the owner's own group or root may keep it; the mode is kept anyway.
  }
  return true;
}

bool ReplacingFile::OpenUnnamed(mode_t mode) {
  if (!g_unnamedTemporaries.load()) return false;
  std::string dir = std::filesystem::path(target_).parent_path().string();
  if (dir.empty()) dir = ".";
  const int fd = ::open(dir.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, mode);
  if (fd < 0) return false;
  // Without /proc it could perhaps never be named: take a named one then.
  if (::access(ProcFdPath(fd).c_str(), F_OK) != 0) {
    ::close(fd);
    return false;
  }
  fd_ = fd;
  unnamed_ = true;
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
  if (unnamed_ && !NameUnnamed()) return false;
  const int fd = fd_;
  fd_ = -1;
  if (::close(fd) != 0 && errno != EINTR) return Fail("Не удалось записать файл", errno);
  if (inPlace_) return true;
  if (!temp_.empty()) {
    if (::rename(temp_.c_str(), target_.c_str()) != 0) return Fail("Не удалось записать файл", errno);
    temp_.clear();
    UnlistTemporary(slot_);
    slot_ = -1;
  }
  // The new name reaches the disk with the directory.
  SyncFolderOf(target_);
  return true;
}

bool ReplacingFile::NameUnnamed() {
  // A new file takes its name at once: nothing else to replace.
  if (!existed_) {
    if (LinkUnnamed(fd_, target_)) {
      unnamed_ = false;
      return true;
    }
    if (errno != EEXIST) return Fail("Не удалось записать файл", errno);
  }
  // An existing file is replaced by a rename, so the complete file first
  // gets a temporary name of its own (until the rename, a moment later).
  for (int tries = 0; tries < 100; ++tries) {
    const std::string name = TemporaryName(target_);
    const FatalSignalsHeld held;
    if (LinkUnnamed(fd_, name)) {
      temp_ = name;
      slot_ = ListTemporary(temp_);
      unnamed_ = false;
      return true;
    }
    if (errno != EEXIST) return Fail("Не удалось записать файл", errno);
  }
  return Fail("Не удалось записать файл", EEXIST);
}

}  // namespace zet
