#include <locale.h>

#include <cwctype>

#include "platform/core/wide_text.h"

namespace plat {
namespace {

// A locale with Unicode character classes, whatever the process's own is.
locale_t UnicodeLocale() {
  static const locale_t locale = newlocale(LC_CTYPE_MASK, "C.UTF-8", locale_t{});
  return locale;
}

}  // namespace

bool IsBlank(wchar_t c) {
  const locale_t locale = UnicodeLocale();
  return locale != locale_t{} ? iswspace_l(static_cast<wint_t>(c), locale) != 0
                              : std::iswspace(static_cast<wint_t>(c)) != 0;
}

wchar_t FoldCase(wchar_t c) {
  const locale_t locale = UnicodeLocale();
  return static_cast<wchar_t>(locale != locale_t{} ? towlower_l(static_cast<wint_t>(c), locale)
                                                   : std::towlower(static_cast<wint_t>(c)));
}

}  // namespace plat
