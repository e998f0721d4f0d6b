#include "app/wide_format.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct Case {
  const wchar_t* format;
  std::wstring expected;
};

TEST(FormatWide, TableTexts) {
  EXPECT_EQ(FormatWide(L"PSP found on drive %c:", {L'G'}), L"PSP found on drive G:");
  EXPECT_EQ(FormatWide(L"\\fs2Is this it?\n\\fs3Size %s, free space %s",
                       {std::wstring(L"1.86GB"), std::wstring(L"1.20GB")}),
            L"\\fs2Is this it?\n\\fs3Size 1.86GB, free space 1.20GB");
  EXPECT_EQ(FormatWide(L"%iK of %iK @ %iK/s", {1234, 2500u, 401}), L"1234K of 2500K @ 401K/s");
}

TEST(FormatWide, NumbersWidthsAndPrecisions) {
  const Case cases[] = {
      {L"%d", L"-42"},           {L"%i", L"-42"},       {L"%u", L"4294967254"},
      {L"%5d", L"  -42"},        {L"%-5d|", L"-42  |"}, {L"%05d", L"-0042"},
      {L"%+d", L"-42"},          {L"%.4d", L"-0042"},   {L"%8.4d", L"   -0042"},
      {L"%-08d|", L"-42     |"}, {L"%ld", L"-42"},      {L"%hd", L"-42"},
  };
  for (const Case& c : cases) EXPECT_EQ(FormatWide(c.format, {-42}), c.expected) << c.format;

  EXPECT_EQ(FormatWide(L"%+d % d", {7, 7}), L"+7  7");
  EXPECT_EQ(FormatWide(L"[%.0d]", {0}), L"[]");
  EXPECT_EQ(FormatWide(L"%lld %I64u", {-5000000000LL, 5000000000ULL}), L"-5000000000 5000000000");
  EXPECT_EQ(FormatWide(L"%*d|%-*d|", {4, 1, 3, 2}), L"   1|2  |");
  EXPECT_EQ(FormatWide(L"%*d|", {-4, 1}), L"1   |");
  EXPECT_EQ(FormatWide(L"%.*d", {3, 5}), L"005");
}

TEST(FormatWide, TextsAndCharacters) {
  const std::wstring text = L"Memory";
  const Case cases[] = {
      {L"%s", L"Memory"}, {L"%10s", L"    Memory"}, {L"%-8s|", L"Memory  |"},
      {L"%.3s", L"Mem"},  {L"%5.2s|", L"   Me|"},   {L"%ls %ws %hs", L"Memory Memory Memory"},
      {L"%.0s|", L"|"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(FormatWide(c.format, {text, text, text}), c.expected) << c.format;
  }
  EXPECT_EQ(FormatWide(L"%3c|%-3c|", {L'E', L'F'}), L"  E|F  |");
  EXPECT_EQ(FormatWide(L"%c", {wchar_t(0x65E5)}), L"\x65E5");
  EXPECT_EQ(FormatWide(L"%s", {static_cast<const wchar_t*>(nullptr)}), L"");
  EXPECT_EQ(FormatWide(L"100%% sure, %d%%", {5}), L"100% sure, 5%");
}

// Format texts come from data files: nothing in them may do harm.
TEST(FormatWide, HostileTexts) {
  const Case cases[] = {
      // %n is shown, never written through, and takes no argument.
      {L"a%nb%d", L"a%nb7"},
      {L"%hn%ln%d", L"%hn%ln7"},
      // More placeholders than arguments: the missing ones are filled with nothing.
      {L"%d %s %c %u|", L"7   |"},
      {L"%10s|%-5d|", L"         7||"},
      // Unknown forms and a lone % at the end are shown as written.
      {L"%x %p %q %", L"%x %p %q %"},
      {L"%5.2", L"%5.2"},
      {L"%-", L"%-"},
  };
  for (const Case& c : cases) EXPECT_EQ(FormatWide(c.format, {7}), c.expected) << c.format;

  // A text where a number or a character is expected shows nothing.
  EXPECT_EQ(FormatWide(L"[%d][%c][%u]", {L"x", L"y", L"z"}), L"[][][]");
  // Numbers and characters where a text is expected are shown as such.
  EXPECT_EQ(FormatWide(L"%s %s", {12, L'Z'}), L"12 Z");
  // An invalid character code shows nothing.
  EXPECT_EQ(FormatWide(L"[%c][%c]", {0xD800, -1}), L"[][]");
  // Huge widths and precisions are capped.
  const std::wstring wide = FormatWide(L"%999999999999d|%.999999999s", {1, L"x"});
  EXPECT_EQ(wide.size(), static_cast<std::size_t>(kMaxFormatField) + 2);
  EXPECT_EQ(FormatWide(L"%*d", {2000000000, 1}).size(), static_cast<std::size_t>(kMaxFormatField));
  // Arguments left over are ignored.
  EXPECT_EQ(FormatWide(L"plain", {1, L"two", L'3'}), L"plain");
}

}  // namespace
