#include <windows.h>

#include "platform/core/wide_text.h"

namespace plat {

bool IsBlank(wchar_t c) {
  WORD type = 0;
  return GetStringTypeW(CT_CTYPE1, &c, 1, &type) && (type & C1_SPACE) != 0;
}

wchar_t FoldCase(wchar_t c) {
  wchar_t lower = c;
  return LCMapStringEx(LOCALE_NAME_INVARIANT, LCMAP_LOWERCASE, &c, 1, &lower, 1, nullptr, nullptr,
                       0) == 1
             ? lower
             : c;
}

}  // namespace plat
