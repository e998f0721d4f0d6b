#pragma once
// Wide text at the edge of the OS: UTF-8 conversion of names and Unicode
// character classes (stands in for the wide C runtime under Windows' tables).
#include <string>
#include <string_view>

namespace plat {

// Encodes wide text as UTF-8. The code points U+DC80..U+DCFF stand for raw
// bytes 0x80..0xFF that were not valid UTF-8, so names round-trip exactly.
std::string EncodeUtf8(std::wstring_view text);
// Decodes UTF-8; each byte of an invalid sequence becomes U+DC80 + (byte - 0x80).
std::wstring DecodeUtf8(std::string_view bytes);

// Unicode white space (what iswspace accepts with Unicode tables).
bool IsBlank(wchar_t c);
// The lower-case form of c, for case-insensitive comparison.
wchar_t FoldCase(wchar_t c);
bool EqualsIgnoringCase(std::wstring_view a, std::wstring_view b);

}  // namespace plat
