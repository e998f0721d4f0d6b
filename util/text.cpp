#include "util/text.h"

#include <charconv>
#include <new>

#include "platform/core/wide_text.h"

void DeleteChars(std::wstring& text, std::size_t position, std::size_t count) {
  if (position >= text.size()) return;
  if (count >= text.size() - position) {
    text.resize(position);
  } else {
    text.erase(position, count);
  }
}

int FindText(std::wstring_view needle, std::wstring_view text, int start) {
  const auto n = static_cast<std::ptrdiff_t>(needle.size());
  const auto m = static_cast<std::ptrdiff_t>(text.size());
  if (start < 0 || start > m) return -1;
  // An empty needle looks for its terminator, as a zero-terminated one would.
  const wchar_t first = n > 0 ? needle[0] : L'\0';
  for (std::ptrdiff_t pos = start;; ++pos) {
    while (pos < m && text[pos] != first) ++pos;
    if (pos + n > m) return -1;
    if (n == 0 || text.substr(pos + 1, n - 1) == needle.substr(1)) return static_cast<int>(pos);
  }
}

std::wstring& TrimRightBlanks(std::wstring& text) {
  while (!text.empty() && plat::IsBlank(text.back())) text.pop_back();
  return text;
}

std::optional<std::wstring> Utf8ToWide(const void* bytes, std::size_t count) {
  if (bytes == nullptr && count > 0) return std::nullopt;
  const auto* in = static_cast<const unsigned char*>(bytes);
  const auto unit = [](int value) { return static_cast<wchar_t>(value & 0xFFFF); };
  try {
    std::wstring out;
    out.reserve(count);
    std::size_t i = 0;
    while (i < count) {
      const int lead = in[i];
      if (lead < 0x80) {
        out += static_cast<wchar_t>(lead);
        i += 1;
      } else if (lead >= 0xC0 && lead <= 0xDF) {
        if (count - i < 2) break;
        out += unit((lead - 0xC0) * 64 + (in[i + 1] - 0x80));
        i += 2;
      } else if (lead >= 0xE0 && lead <= 0xEF) {
        if (count - i < 3) break;
        out += unit((lead - 0xE0) * 4096 + (in[i + 1] - 0x80) * 64 + (in[i + 2] - 0x80));
        i += 3;
      } else if (lead >= 0xF0) {
        i += 2;
      } else {
        out += static_cast<wchar_t>(lead);
        i += 1;
      }
    }
    out.shrink_to_fit();
    return out;
  } catch (const std::bad_alloc&) {
    return std::nullopt;
  }
}

void FormatSize(std::int64_t bytes, std::wstring& out) {
  constexpr std::int64_t kGiB = 1 << 30;
  char text[64];
  char* end;
  const char* unit;
  if (bytes >= 10240) {
    const bool giga = bytes >= kGiB;
    const double value = static_cast<double>(bytes) / (giga ? 1073741824.0 : 1048576.0);
    // to_chars, unlike printf, does not follow the process's locale.
    end = std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, 2).ptr;
    unit = giga ? "GB" : "MB";
  } else {
    std::int64_t thousands = bytes / 1000;
    if (bytes % 1000 > 0) ++thousands;
    end = std::to_chars(text, text + sizeof text, thousands).ptr;
    unit = "KB";
  }
  out.assign(text, end);
  for (; *unit != '\0'; ++unit) out += static_cast<wchar_t>(*unit);
}
