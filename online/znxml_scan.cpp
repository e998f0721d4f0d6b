// The scanner of the settings document: tokens at the places where one may
// start, key lines, containers, and unregistered tags skipped whole.
#include <algorithm>
#include <optional>
#include <string_view>

#include "online/znxml.h"
#include "util/text.h"

namespace {

constexpr std::size_t kMaxTagName = 58;

enum class Form { kPlain, kOpening, kClosing };

struct Match {
  std::size_t index;
  Form form;
  std::size_t length;  // of the text the token covers
};

bool IsBlank(wchar_t c) {
  return c >= 1 && c <= 32 && c != L'\n';
}

Form FormAt(std::wstring_view rest) {
  if (rest.starts_with(L"</")) return Form::kClosing;
  if (rest.starts_with(L"<")) return Form::kOpening;
  return Form::kPlain;
}

// The first token, in table order, whose plain, opening or closing form
// starts rest.
std::optional<Match> MatchToken(const std::vector<TokenPair>& tokens, std::wstring_view rest) {
  const Form form = FormAt(rest);
  const std::wstring_view after = rest.substr(form == Form::kClosing   ? 2
                                              : form == Form::kOpening ? 1
                                                                       : 0);
  for (std::size_t i = 0; i < tokens.size(); ++i) {
    const std::wstring_view name = tokens[i].name;
    if (form == Form::kPlain) {
      if (after.starts_with(name)) return Match{i, form, name.size()};
    } else if (after.starts_with(name.substr(1))) {
      return Match{i, form, form == Form::kClosing ? name.size() + 1 : name.size()};
    }
  }
  return std::nullopt;
}

// A registered tag written with more before its '>': the token whose name,
// without its first and last characters, starts the text after '<' or '</'.
std::optional<Match> MatchTagPrefix(const std::vector<TokenPair>& tokens, std::wstring_view rest) {
  const Form form = FormAt(rest);
  const std::wstring_view after = rest.substr(form == Form::kClosing ? 2 : 1);
  for (std::size_t i = 0; i < tokens.size(); ++i) {
    const std::wstring_view name = tokens[i].name;
    if (name == L"//" || name.size() < 3) continue;
    if (after.starts_with(name.substr(1, name.size() - 2))) return Match{i, form, 0};
  }
  return std::nullopt;
}

}  // namespace

void CZNXML::StoreValue(std::size_t index, std::wstring value) {
  TokenPair token = std::move(m_tokens[index]);
  m_tokens.erase(m_tokens.begin() + static_cast<std::ptrdiff_t>(index));
  token.value = std::move(value);
  m_tokens.push_back(std::move(token));
}

int CZNXML::ScanText(const std::wstring& document) {
  std::lock_guard lock(m_tableLock);
  const std::wstring_view text(document.c_str());  // the text ends at its first NUL
  const auto at = [&](std::size_t i) { return i < text.size() ? text[i] : L'\0'; };
  constexpr auto npos = std::wstring_view::npos;
  m_depth = -1;
  std::size_t pos = 0;
  for (bool first = true;; first = false) {
    do {
      while (at(pos) == L'\n') ++pos;
      while (IsBlank(at(pos))) ++pos;
    } while (at(pos) == L'\n');
    const std::wstring_view rest = text.substr(pos);
    const std::optional<Match> match = MatchToken(m_tokens, rest);

    if (!match) {
      if (first) return -1;
      if (rest.empty()) return 0;
      if (rest.front() != L'<') {
        const std::size_t eol = text.find(L'\n', pos);
        pos = eol == npos ? text.size() : eol + 1;
        continue;
      }
      if (const std::optional<Match> tag = MatchTagPrefix(m_tokens, rest)) {
        if (tag->form == Form::kClosing) return -1;
        const std::size_t close = text.find(L'>', pos);
        if (close == npos) return -2;
        if (text[close - 1] == L'/') {
          pos = close + 1;
          continue;
        }
        if (m_depth < 0) return -2;
        const std::wstring closing = L"</" + m_tokens[tag->index].name.substr(1);
        const std::size_t end = text.find(closing, close + 1);
        if (end == npos) return -2;
        pos = end + closing.size();
        continue;
      }
      // An unregistered tag: skip it through its closing tag.
      const std::size_t nameStart = pos + 1;
      std::size_t nameEnd = nameStart;
      while (nameEnd < text.size() && nameEnd - nameStart < kMaxTagName && text[nameEnd] != L'>' &&
             text[nameEnd] != L':') {
        ++nameEnd;
      }
      const wchar_t ender = at(nameEnd);
      if (ender == L'>' || ender == L':') {
        std::wstring closing = L"</";
        closing.append(text.substr(nameStart, nameEnd - nameStart));
        closing += ender;
        if (const std::size_t end = text.find(closing, nameEnd + 1); end != npos) {
          pos = end + closing.size();
          if (ender == L':') {
            const std::size_t close = text.find(L'>', pos);
            if (close == npos) return -2;
            pos = close + 1;
          }
          continue;
        }
      }
      const std::size_t close = text.find(L'>', pos);
      if (close == npos) return -2;
      pos = close + 1;
      continue;
    }

    const int kind = m_tokens[match->index].kind;
    if (match->form == Form::kClosing) {
      if (kind == TOKEN_CONTAINER) {
        if (m_depth == -1) return -1;
        --m_depth;
      } else if (kind != TOKEN_ROOT) {
        return -1;  // keys and comments have no closing form
      }
      pos += match->length;
      continue;
    }
    switch (kind) {
      case TOKEN_COMMENT:
      case TOKEN_KEY: {
        pos += match->length;
        if (kind == TOKEN_KEY) {
          while (IsBlank(at(pos))) ++pos;
          if (at(pos) == L'=') {
            ++pos;
            while (IsBlank(at(pos))) ++pos;
          }
        }
        const std::size_t eol = std::min(text.find(L'\n', pos), text.size());
        std::wstring value(text.substr(pos, eol - pos));
        TrimRightBlanks(value);
        pos = eol == text.size() ? eol : eol + 1;
        StoreValue(match->index, std::move(value));
        break;
      }
      case TOKEN_CONTAINER:
        if (++m_depth >= kMaxDepth) return -1;  // depth counts from 0
        pos += match->length;
        break;
      default:
        pos += match->length;
        break;
    }
  }
}
