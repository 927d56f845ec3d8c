#include <clocale>
#include <locale.h>

#include "base/c_locale_scope.h"

namespace zet {

// The C runtime keeps one locale per process unless a thread asks for its
// own; with its own, setlocale changes only the calling thread.
CLocaleScope::CLocaleScope() : perThread_(_configthreadlocale(_ENABLE_PER_THREAD_LOCALE)) {
  if (const char* now = std::setlocale(LC_NUMERIC, nullptr)) numeric_ = now;
  std::setlocale(LC_NUMERIC, "C");
}

CLocaleScope::~CLocaleScope() {
  if (!numeric_.empty()) std::setlocale(LC_NUMERIC, numeric_.c_str());
  if (perThread_ != _ENABLE_PER_THREAD_LOCALE) _configthreadlocale(perThread_);
}

}  // namespace zet
