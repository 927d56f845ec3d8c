#pragma once
// A fresh folder under the system's temporary folder, removed with everything
// in it; and a way to run a piece of a test as an ordinary user when the
// tests run as root (root may write any file, so refusals need someone else).
#ifdef _WIN32
#include <process.h>
#else
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <filesystem>
#include <functional>
#include <string>
#include <system_error>

namespace zet::testing {

class TempDir {
 public:
  explicit TempDir(const std::string& prefix = "zet-test") {
    path_ = std::filesystem::temp_directory_path() /
            (prefix + "-" + std::to_string(getpid()) + "-" + std::to_string(next_++));
    std::filesystem::create_directories(path_);
  }
  ~TempDir() {
    std::error_code ec;
    for (auto& e : std::filesystem::recursive_directory_iterator(path_, ec))
      if (e.is_directory(ec)) std::filesystem::permissions(e.path(), std::filesystem::perms::owner_all,
                                                           std::filesystem::perm_options::add, ec);
    std::filesystem::permissions(path_, std::filesystem::perms::owner_all, std::filesystem::perm_options::add, ec);
    std::filesystem::remove_all(path_, ec);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  std::string operator/(const std::string& name) const { return (path_ / name).string(); }
  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
  static inline int next_ = 0;
};

#ifndef _WIN32
inline constexpr uid_t kNobody = 65534;

// Runs body in a child process as user and group "nobody" when we are root
// (as ourselves otherwise) and returns its exit code (body's result), or -1
// when it did not end normally.
inline int RunAsUser(const std::function<int()>& body) {
  const pid_t pid = fork();
  if (pid == 0) {
    if (geteuid() == 0 && (setgid(kNobody) != 0 || setuid(kNobody) != 0)) _exit(99);
    _exit(body());
  }
  int status = 0;
  if (pid < 0 || waitpid(pid, &status, 0) != pid) return -1;
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}
#endif

}  // namespace zet::testing
