// A language table file: decoding, the lookup of a key, then every text of the
// table through the wide formatter with mixed arguments.
// Input: one byte choosing the arguments, a key up to the first 0 byte, then
// the table file's bytes.
#include <cstdint>
#include <cstdlib>
#include <cwchar>
#include <string>
#include <string_view>

#include "app/language_table.h"
#include "app/wide_format.h"

namespace {

std::wstring Format(std::wstring_view text, unsigned choice) {
  switch (choice % 6) {
    case 0:
      return FormatWide(text, {});
    case 1:
      return FormatWide(text, {L'G'});
    case 2:
      return FormatWide(text, {L"1.9 GB", L"512 MB"});
    case 3:
      return FormatWide(text, {-2147483647 - 1, 4294967295u, L'\0', L"x"});
    case 4:
      return FormatWide(text, {static_cast<const wchar_t*>(nullptr), 18446744073709551615ull});
    default:
      return FormatWide(text, {42, L"text", L'\x263A', -1LL, 7u, L"", 0});
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const unsigned choice = data[0];
  std::string_view rest(reinterpret_cast<const char*>(data) + 1, size - 1);
  const std::size_t keyEnd = rest.find('\0');
  const std::string key(rest.substr(0, keyEnd));
  rest = keyEnd == std::string_view::npos ? std::string_view{} : rest.substr(keyEnd + 1);

  const LanguageTable table(rest);
  const wchar_t* const begin = table.data();
  const wchar_t* const end = begin + table.size();
  if (const wchar_t* value = table.Find(key)) {
    // A value lies inside the block and ends there.
    if (value < begin || value > end) std::abort();
    const std::size_t length = std::wcslen(value);
    if (value + length > end) std::abort();
    (void)Format(std::wstring_view(value, length), choice);
  }
  // Every text of the table, as the wizard would format a value.
  for (const wchar_t* text = begin; text < end; text += std::wcslen(text) + 1) {
    const std::wstring out = Format(text, choice + static_cast<unsigned>(text - begin));
    if (out.size() > std::wcslen(text) * (kMaxFormatField + 64) + 64) std::abort();
  }
  return 0;
}
