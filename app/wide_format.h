#pragma once
// Fills a format text taken from a language table (stands in for swprintf
// with a wide format). Known forms: %c %s %i %d %u and %%, with the flags
// - + space 0 #, a width and a precision (digits or *), and the size prefixes
// h l ll w I64 (which change nothing). %s takes a wide string, %c one
// character. The text is data, so it is never trusted:
//   - a placeholder without an argument left for it, or with an argument it
//     cannot show (a text for a number or a character), is filled with nothing;
//   - arguments left over are ignored;
//   - %n and every other unknown form are copied as they stand, taking no
//     argument;
//   - widths and precisions are capped at kMaxFormatField.
#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>

constexpr int kMaxFormatField = 1024;

// One argument: a character, a text or a number.
class FormatArg {
 public:
  enum class Kind { kChar, kText, kSigned, kUnsigned };

  FormatArg(wchar_t c) : kind_(Kind::kChar), number_(static_cast<std::uint32_t>(c)) {}
  FormatArg(std::wstring_view text) : kind_(Kind::kText), text_(text) {}
  FormatArg(const std::wstring& text) : kind_(Kind::kText), text_(text) {}
  FormatArg(const wchar_t* text) : kind_(Kind::kText), text_(text ? text : L"") {}
  FormatArg(int value) : kind_(Kind::kSigned), number_(value) {}
  FormatArg(long value) : kind_(Kind::kSigned), number_(value) {}
  FormatArg(long long value) : kind_(Kind::kSigned), number_(value) {}
  FormatArg(unsigned value) : kind_(Kind::kUnsigned), number_(value) {}
  FormatArg(unsigned long value)
      : kind_(Kind::kUnsigned), number_(static_cast<std::int64_t>(value)) {}
  FormatArg(unsigned long long value)
      : kind_(Kind::kUnsigned), number_(static_cast<std::int64_t>(value)) {}

  Kind kind() const { return kind_; }
  std::wstring_view text() const { return text_; }
  std::int64_t number() const { return number_; }

 private:
  Kind kind_;
  std::wstring_view text_;
  std::int64_t number_ = 0;
};

std::wstring FormatWide(std::wstring_view format, std::initializer_list<FormatArg> args);
