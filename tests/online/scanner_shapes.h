#pragma once
// Settings documents of shapes that cost a careless scanner dearly: tags that
// never close, closers far away, near-registered names, endless lines. Each
// is built to about a given size; the scan's outcome does not depend on it.
#include <string>
#include <vector>

namespace scannershapes {

struct Shape {
  const char* what;
  std::wstring text;
  int result;            // of CZNXML::ScanText
  std::wstring version;  // CURRENT_VERSION afterwards
};

inline std::wstring Repeat(const std::wstring& piece, std::size_t size) {
  std::wstring out;
  out.reserve(size + piece.size());
  while (out.size() < size) out += piece;
  return out;
}

inline std::wstring Numbered(const std::wstring& before, const std::wstring& after,
                             std::size_t size) {
  std::wstring out;
  out.reserve(size + 32);
  for (std::size_t i = 0; out.size() < size; ++i) out += before + std::to_wstring(i) + after;
  return out;
}

// Shapes of about size characters each.
inline std::vector<Shape> Shapes(std::size_t size) {
  const std::wstring head = L"<result>\n";
  const std::wstring tail = L"\nCURRENT_VERSION=end\n</result>\n";
  return {
      {"key lines", head + Repeat(L"CURRENT_VERSION=v\n", size), 0, L"v"},
      {"unclosed tags", head + Repeat(L"<a>", size) + tail, 0, L"end"},
      {"unclosed tags, each named differently", head + Numbered(L"<t", L">", size) + tail, 0,
       L"end"},
      {"unclosed tags with colons", head + Repeat(L"<a:b>", size) + tail, 0, L"end"},
      {"closers without openers", head + Repeat(L"</a>", size) + tail, 0, L"end"},
      {"opening tags before one far closer", head + Repeat(L"<a>", size) + L"</a>" + tail, 0,
       L"end"},
      // The skip past the last "</a" runs to the root's closing '>'.
      {"closing texts that almost match", head + L"<ab>" + Repeat(L"</a", size) + tail, 0, L""},
      {"a tag name that never ends", head + L"<" + Repeat(L"a", size), -2, L""},
      {"angle brackets only", head + Repeat(L"<", size), -2, L""},
      {"one endless line", head + Repeat(L"x", size) + tail, 0, L"end"},
      {"registered tags with attributes, unclosed",
       head + L"<save>\n" + Repeat(L"<folder x>", size) + tail, -2, L""},
      {"registered tags with attributes, each closed",
       head + L"<save>\n" + Repeat(L"<folder x></folder>", size) + L"</save>" + tail, 0, L"end"},
      {"containers opened and closed", head + Repeat(L"<folder></folder>\n", size) + tail, 0,
       L"end"},
      {"comment lines", head + Repeat(L"// note\n", size) + tail, 0, L"end"},
  };
}

}  // namespace scannershapes
