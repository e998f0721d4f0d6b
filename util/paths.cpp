#include "util/paths.h"

#include "util/text.h"

bool CollapseDoubleBackslashes(std::wstring& text) {
  bool changed = false;
  for (std::size_t i = 0; i + 1 < text.size();) {
    if (text[i] == L'\\' && text[i + 1] == L'\\') {
      DeleteChars(text, i, 1);
      changed = true;
    } else {
      ++i;
    }
  }
  return changed;
}

void CutToFolder(std::wstring& path) {
  for (std::size_t i = path.size(); i-- > 0;) {
    if (path[i] == L'\\') {
      path.resize(i + 1);
      return;
    }
    if (path[i] == L':') return;
  }
  path.clear();
}
