#include "util/text.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "util/paths.h"

namespace {

TEST(DeleteChars, RemovesOrCutsAtThePosition) {
  const struct {
    std::size_t position, count;
    const wchar_t* expected;
  } cases[] = {
      {1, 2, L"adef"},  {0, 0, L"abcdef"}, {0, 6, L""},       {4, 2, L"abcd"},
      {4, 10, L"abcd"}, {5, 1, L"abcde"},  {6, 1, L"abcdef"},  // at the end: nothing
  };
  for (const auto& c : cases) {
    std::wstring text = L"abcdef";
    DeleteChars(text, c.position, c.count);
    EXPECT_EQ(text, c.expected) << c.position << "," << c.count;
  }
}

TEST(FindText, FindsExactMatchesFromTheStart) {
  const struct {
    const wchar_t* needle;
    const wchar_t* text;
    int start;
    int expected;
  } cases[] = {
      {L"b", L"abcabc", 0, 1},   {L"b", L"abcabc", 2, 4},
      {L"ca", L"abcabc", 0, 2},  {L"aab", L"aaab", 0, 1},  // a partial match does not skip ahead
      {L"bc", L"abcabc", 5, -1},                           // needle longer than the rest
      {L"abcd", L"abc", 0, -1},  {L"x", L"abc", 0, -1},
      {L"B", L"abc", 0, -1},  // case counts
      {L"", L"abc", 0, 3},    // an empty needle: the text's length
      {L"", L"abc", 3, 3},       {L"", L"", 0, 0},
      {L"c", L"abc", 3, -1},     {L"a", L"abc", 4, -1},  // start outside the text
      {L"a", L"abc", -1, -1},    {L"vid_", L"\\\\?\\usb#vid_054c&pid_01c8#X", 0, 8},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(FindText(c.needle, c.text, c.start), c.expected)
        << "needle " << c.needle << " in " << c.text << " from " << c.start;
  }
}

TEST(TrimRightBlanks, RemovesEveryTrailingBlankOnly) {
  const struct {
    const wchar_t* text;
    const wchar_t* expected;
  } cases[] = {
      {L"value \t\r\n", L"value"}, {L"  ", L""},     {L"", L""},
      {L" a b", L" a b"},          {L"x\v\f", L"x"}, {L"\u65E5\u672C\u3000", L"\u65E5\u672C"},
      {L"x\u00E9", L"x\u00E9"},
  };
  for (const auto& c : cases) {
    std::wstring text = c.text;
    EXPECT_EQ(&TrimRightBlanks(text), &text);
    EXPECT_EQ(text, c.expected);
  }
}

TEST(Utf8ToWide, DecodesByTheLenientRules) {
  const struct {
    std::vector<unsigned char> bytes;
    std::wstring expected;
  } cases[] = {
      {{}, L""},
      {{'a', 'b', 'c'}, L"abc"},
      {{0xE2, 0x82, 0xAC}, L"\u20AC"},
      {{0xC3, 0xA9}, L"\u00E9"},
      {{0xEF, 0xBF, 0xBF}, std::wstring(1, wchar_t(0xFFFF))},
      {{0xF0, 0x9F, 0x98, 0x80}, L"\u0098\u0080"},  // four bytes: the last two stay
      {{0xF8, 0x41, 0x42}, L"B"},
      {{0x80, 0xBF}, L"\u0080\u00BF"},                   // stray continuation bytes as themselves
      {{0xC0, 0x41}, std::wstring(1, wchar_t(0xFFC1))},  // unchecked, kept to 16 bits
      {{'a', 0x00, 'b'}, std::wstring(L"a\0b", 3)},
      // Cut off by the end: dropped, and nothing past the count is read.
      {{'a', 0xC3}, L"a"},
      {{'a', 0xE2, 0x82}, L"a"},
      {{'a', 0xF0}, L"a"},
  };
  for (const auto& c : cases) {
    // The exact-size heap copy lets the address sanitizer see any over-read.
    const auto bytes = std::make_unique<unsigned char[]>(c.bytes.size());
    std::copy(c.bytes.begin(), c.bytes.end(), bytes.get());
    const auto text = Utf8ToWide(bytes.get(), c.bytes.size());
    ASSERT_TRUE(text);
    EXPECT_EQ(*text, c.expected);
  }
}

TEST(Utf8ToWide, LongTextAndCountLimit) {
  std::string text(5000, 'x');
  text += "\xC3\xA9";
  const auto all = Utf8ToWide(text.data(), text.size());
  ASSERT_TRUE(all);
  EXPECT_EQ(all->size(), 5001u);
  EXPECT_EQ(all->back(), L'\u00E9');
  EXPECT_EQ(Utf8ToWide(text.data(), 3), L"xxx");
  EXPECT_EQ(Utf8ToWide(nullptr, 0), L"");
  EXPECT_FALSE(Utf8ToWide(nullptr, 4));
}

TEST(FormatSize, SwitchesUnitsAtTheExactBoundaries) {
  const struct {
    std::int64_t bytes;
    const wchar_t* expected;
  } cases[] = {
      {0, L"0KB"},
      {1, L"1KB"},
      {1000, L"1KB"},
      {1001, L"2KB"},
      {10239, L"11KB"},
      {10240, L"0.01MB"},
      {5000000, L"4.77MB"},
      {1073741823, L"1024.00MB"},
      {1073741824, L"1.00GB"},
      {2147483648, L"2.00GB"},
      {73014444032, L"68.00GB"},
      {-1, L"0KB"},
      {-1500, L"-1KB"},
      {INT64_MAX, L"8589934592.00GB"},
  };
  for (const auto& c : cases) {
    std::wstring out = L"old";
    FormatSize(c.bytes, out);
    EXPECT_EQ(out, c.expected) << c.bytes;
  }
}

// ---- path text ----

TEST(CollapseDoubleBackslashes, MakesEveryRunOfBackslashesOne) {
  const struct {
    const wchar_t* text;
    const wchar_t* expected;
    bool changed;
  } cases[] = {
      {L"C:\\\\dir\\\\\\name", L"C:\\dir\\name", true},
      {L"C:\\dir\\name", L"C:\\dir\\name", false},
      {L"\\\\server\\share", L"\\server\\share", true},
      {L"\\\\\\\\", L"\\", true},
      {L"a\\\\", L"a\\", true},
      {L"", L"", false},
      {L"/opt/swaymo\\\\Dat", L"/opt/swaymo\\Dat", true},
  };
  for (const auto& c : cases) {
    std::wstring text = c.text;
    EXPECT_EQ(CollapseDoubleBackslashes(text), c.changed) << c.text;
    EXPECT_EQ(text, c.expected);
  }
}

TEST(CutToFolder, KeepsUpToTheLastBackslashUnlessAColonComesFirst) {
  const struct {
    const wchar_t* path;
    const wchar_t* expected;
  } cases[] = {
      {L"C:\\a\\b.txt", L"C:\\a\\"},
      {L"C:b.txt", L"C:b.txt"},
      {L"b.txt", L""},
      {L"C:\\a\\", L"C:\\a\\"},
      {L"G:\\PSP\\GAME\\UPDATE\\EBOOT.PBP", L"G:\\PSP\\GAME\\UPDATE\\"},
      {L"C:\\x:y", L"C:\\x:y"},
      {L"", L""},
  };
  for (const auto& c : cases) {
    std::wstring path = c.path;
    CutToFolder(path);
    EXPECT_EQ(path, c.expected) << c.path;
  }
}

}  // namespace
