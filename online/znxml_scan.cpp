// The scanner of the settings document: tokens at the places where one may
// start, key lines, containers, and unregistered tags skipped whole.
#include <algorithm>
#include <array>
#include <cstdint>
#include <optional>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "online/znxml.h"
#include "util/text.h"

namespace {

constexpr std::size_t kMaxTagName = 58;
// How often the scan looks at the stop event, in passes.
constexpr std::uint32_t kStopCheckPasses = 1024;

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

// The characters a token can begin with, so that most junk is passed over
// without trying every token: the first of a plain name, and the one after
// '<' or '</' of a tag.
class TokenStarts {
 public:
  explicit TokenStarts(const std::vector<TokenPair>& tokens) {
    for (const TokenPair& token : tokens) {
      const std::wstring_view name = token.name;
      if (name.size() < 2) {
        anyTag_ = true;  // its tail is empty and fits every tag
        Mark(plain_, name.front());
      } else {
        Mark(plain_, name[0]);
        Mark(tag_, name[1]);
      }
    }
  }
  bool MayStart(std::wstring_view rest) const {
    if (rest.empty()) return true;
    if (rest.front() != L'<') return Has(plain_, rest.front());
    if (anyTag_) return true;
    const std::wstring_view after = rest.substr(rest.starts_with(L"</") ? 2 : 1);
    return after.empty() || Has(tag_, after.front());
  }

 private:
  // ASCII characters one by one; every other character in one slot.
  static std::size_t Slot(wchar_t c) { return c < 128 ? static_cast<std::size_t>(c) : 128; }
  static void Mark(std::array<bool, 129>& set, wchar_t c) { set[Slot(c)] = true; }
  static bool Has(const std::array<bool, 129>& set, wchar_t c) { return set[Slot(c)]; }
  std::array<bool, 129> plain_{};
  std::array<bool, 129> tag_{};
  bool anyTag_ = false;
};

// A stored value moves its token to the end of the table.
void StoreValue(std::vector<TokenPair>& tokens, std::size_t index, std::wstring value) {
  TokenPair token = std::move(tokens[index]);
  tokens.erase(tokens.begin() + static_cast<std::ptrdiff_t>(index));
  token.value = std::move(value);
  tokens.push_back(std::move(token));
}

// Where each closing text "</name>" or "</name:" stands, found in one pass,
// so that skipping unregistered elements never searches the text again.
class ClosingTags {
 public:
  explicit ClosingTags(std::wstring_view text) {
    // The first '>' or ':' at or after each position.
    std::vector<std::uint32_t> ender(text.size() + 1, kNone);
    for (std::size_t i = text.size(); i-- > 0;) {
      ender[i] = text[i] == L'>' || text[i] == L':' ? static_cast<std::uint32_t>(i) : ender[i + 1];
    }
    for (std::size_t q = 0; q + 2 <= text.size(); ++q) {
      if (text[q] != L'<' || text[q + 1] != L'/') continue;
      const std::uint32_t end = ender[q + 2];
      if (end == kNone || end - (q + 2) > kMaxTagName) continue;
      at_[text.substr(q + 2, end - (q + 2) + 1)].push_back(static_cast<std::uint32_t>(q));
    }
  }

  // The first "</" + nameAndEnder at or after from, or npos.
  std::size_t Find(std::wstring_view nameAndEnder, std::size_t from) const {
    const auto found = at_.find(nameAndEnder);
    if (found == at_.end()) return std::wstring_view::npos;
    const auto& places = found->second;
    const auto next = std::lower_bound(places.begin(), places.end(), from);
    return next == places.end() ? std::wstring_view::npos : *next;
  }

 private:
  static constexpr std::uint32_t kNone = UINT32_MAX;
  std::unordered_map<std::wstring_view, std::vector<std::uint32_t>> at_;
};

// Scans text into tokens: 0, -1, -2, or -3 when stop was set.
int Scan(std::vector<TokenPair>& tokens, const std::wstring_view text, plat::Event* stop) {
  const auto at = [&](std::size_t i) { return i < text.size() ? text[i] : L'\0'; };
  constexpr auto npos = std::wstring_view::npos;
  std::optional<ClosingTags> closingTags;  // built when first needed
  const TokenStarts starts(tokens);
  int depth = -1;
  std::size_t pos = 0;
  for (std::uint32_t pass = 1;; ++pass) {
    const bool first = pass == 1;
    if (stop != nullptr && pass % kStopCheckPasses == 0 && stop->IsSet()) return -3;
    do {
      while (at(pos) == L'\n') ++pos;
      while (IsBlank(at(pos))) ++pos;
    } while (at(pos) == L'\n');
    const std::wstring_view rest = text.substr(pos);
    const bool mayStart = starts.MayStart(rest);
    const std::optional<Match> match = mayStart ? MatchToken(tokens, rest) : std::optional<Match>();

    if (!match) {
      if (first) return -1;
      if (rest.empty()) return 0;
      if (rest.front() != L'<') {
        const std::size_t eol = text.find(L'\n', pos);
        pos = eol == npos ? text.size() : eol + 1;
        continue;
      }
      if (const std::optional<Match> tag =
              mayStart ? MatchTagPrefix(tokens, rest) : std::optional<Match>()) {
        if (tag->form == Form::kClosing) return -1;
        const std::size_t close = text.find(L'>', pos);
        if (close == npos) return -2;
        if (text[close - 1] == L'/') {
          pos = close + 1;
          continue;
        }
        if (depth < 0) return -2;
        const std::wstring closing = L"</" + tokens[tag->index].name.substr(1);
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
        if (!closingTags) closingTags.emplace(text);
        const std::wstring_view nameAndEnder = text.substr(nameStart, nameEnd + 1 - nameStart);
        if (const std::size_t end = closingTags->Find(nameAndEnder, nameEnd + 1); end != npos) {
          pos = end + 2 + nameAndEnder.size();
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

    const int kind = tokens[match->index].kind;
    if (match->form == Form::kClosing) {
      if (kind == TOKEN_CONTAINER) {
        if (depth == -1) return -1;
        --depth;
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
        StoreValue(tokens, match->index, std::move(value));
        break;
      }
      case TOKEN_CONTAINER:
        if (++depth >= CZNXML::kMaxDepth) return -1;  // depth counts from 0
        pos += match->length;
        break;
      default:
        pos += match->length;
        break;
    }
  }
}

}  // namespace

int CZNXML::ScanText(const std::wstring& document, plat::Event* stop, bool keep) {
  std::lock_guard scanning(m_scanLock);
  std::vector<TokenPair> table;
  {
    std::lock_guard lock(m_tableLock);
    table = m_tokens;
  }
  const std::size_t known = table.size();
  // The text ends at its first NUL.
  const int result = Scan(table, std::wstring_view(document.c_str()), stop);
  if (!keep || result == -3) return result;
  std::lock_guard lock(m_tableLock);
  // Tokens registered while the scan ran stand after those it saw.
  for (std::size_t i = known; i < m_tokens.size(); ++i) table.push_back(m_tokens[i]);
  m_tokens = std::move(table);
  return result;
}
