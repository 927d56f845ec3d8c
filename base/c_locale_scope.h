#pragma once
// Switches the calling thread to the C locale for the lifetime of the object,
// so printf-style numbers keep a decimal point whatever locale the program
// runs in. Other threads keep theirs.
#include <string>

namespace zet {

class CLocaleScope {
 public:
  CLocaleScope();
  ~CLocaleScope();
  CLocaleScope(const CLocaleScope&) = delete;
  CLocaleScope& operator=(const CLocaleScope&) = delete;

 private:
  void* old_ = nullptr;   // POSIX: the thread's locale before
  int perThread_ = 0;     // Windows: the thread's locale mode before
  std::string numeric_;   // Windows: its numeric locale before
};

}  // namespace zet
