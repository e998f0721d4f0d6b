#include "ui/text_words.h"

namespace {

bool IsWordChar(wchar_t c) {
  return static_cast<unsigned long>(c) > 0x20;
}

// Whether a word ends just before index i.
bool WordEndsAt(std::wstring_view text, std::size_t i) {
  return i > 0 && IsWordChar(text[i - 1]) && (i == text.size() || !IsWordChar(text[i]));
}

}  // namespace

int CountWords(std::wstring_view text) {
  int words = 0;
  for (std::size_t i = 1; i <= text.size(); ++i) words += WordEndsAt(text, i);
  return words;
}

int WordEnd(std::wstring_view text, int n) {
  if (n <= 0) return 0;
  int words = 0;
  for (std::size_t i = 1; i <= text.size(); ++i) {
    if (WordEndsAt(text, i) && ++words == n) return static_cast<int>(i);
  }
  return words == 0 ? 0 : static_cast<int>(text.size());
}

std::size_t LastWordEndWithin(std::wstring_view text, std::size_t limit) {
  for (std::size_t i = limit < text.size() ? limit : text.size(); i > 0; --i)
    if (WordEndsAt(text, i)) return i;
  return 0;
}
