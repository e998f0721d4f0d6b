#pragma once
// Words of a text: maximal runs of characters above U+0020; a space or any
// control character separates them.
#include <cstddef>
#include <string_view>

int CountWords(std::wstring_view text);
// The index just after the n-th word: 0 when n is 0 or the text has no word,
// the text's length when it has fewer than n words.
int WordEnd(std::wstring_view text, int n);
// The end of the last word that ends at or before limit; 0 when none does.
std::size_t LastWordEndWithin(std::wstring_view text, std::size_t limit);
