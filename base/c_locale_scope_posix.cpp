#include <locale.h>

#include "base/c_locale_scope.h"

namespace zet {
namespace {

locale_t CLocale() {
  static locale_t loc = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(0));
  return loc;
}

}  // namespace

CLocaleScope::CLocaleScope() : old_(uselocale(CLocale())) {}

CLocaleScope::~CLocaleScope() { uselocale(static_cast<locale_t>(old_)); }

}  // namespace zet
