#include "ui/text_lines.h"

#include <gtest/gtest.h>

#include "tests/support/pixels.h"
#include "ui/text_words.h"

namespace {

constexpr plat::Pixel kBlack = 0;
constexpr plat::ColorRef kInk = 0x00F5F5F5;

TEST(TextWords, CountAndEnds) {
  struct Case {
    std::wstring text;
    int words;
    std::vector<int> ends;  // WordEnd for n = 0, 1, 2, ...
  };
  const Case cases[] = {
      {L"", 0, {0, 0, 0}},
      {L"   \t\r\n", 0, {0, 0}},
      {L"one", 1, {0, 3, 3}},
      {L"one two", 2, {0, 3, 7, 7}},
      {L"  one\ttwo  ", 2, {0, 5, 9, 11}},
      {L"a\x01"
       L"b\x7f",
       2,
       {0, 1, 4}},  // controls separate; U+007F is above U+0020
      {L"中文 日本", 2, {0, 2, 5}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(CountWords(c.text), c.words) << std::string(c.text.begin(), c.text.end());
    for (std::size_t n = 0; n < c.ends.size(); ++n)
      EXPECT_EQ(WordEnd(c.text, static_cast<int>(n)), c.ends[n]) << "n " << n;
  }
  EXPECT_EQ(WordEnd(L"one two", -1), 0);
  EXPECT_EQ(LastWordEndWithin(L"one two", 7), 7u);
  EXPECT_EQ(LastWordEndWithin(L"one two", 6), 3u);
  EXPECT_EQ(LastWordEndWithin(L"one two", 2), 0u);
  EXPECT_EQ(LastWordEndWithin(L"one", 100), 3u);
}

class TextLines : public ::testing::Test {
 protected:
  TextLines() { Prepare(dc_); }
  void Prepare(plat::Canvas& dc) {
    dc.SelectFont(&font_);
    dc.SetBackgroundMode(plat::Canvas::Background::kTransparent);
    dc.SetTextColour(kInk);
  }
  int Width(std::wstring_view text) { return dc_.TextExtent(text).width; }
  // The same lines drawn one by one with TextOut.
  plat::Bitmap Reference(const std::vector<std::pair<plat::Point, std::wstring>>& lines) {
    plat::Bitmap b(bitmap_.width(), bitmap_.height(), kBlack);
    plat::Canvas dc(b);
    Prepare(dc);
    for (const auto& [at, text] : lines) dc.TextOut(at, text);
    return b;
  }
  void ExpectSame(const plat::Bitmap& want) { EXPECT_TRUE(testsupport::SamePixels(bitmap_, want)); }

  plat::Font font_{{L"Verdana", 12, 0, 400}};
  plat::Bitmap bitmap_{320, 160, kBlack};
  plat::Canvas dc_{bitmap_};
};

TEST_F(TextLines, LineHeightIsTheCellPlusTwo) {
  EXPECT_EQ(LineHeight(dc_), 14);
  EXPECT_EQ(MeasureTextSize(0, dc_, L"abc"), (plat::Size{Width(L"abc"), 12}));
}

TEST_F(TextLines, CentredLine) {
  const plat::Rect rect{10, 0, 211, 50};  // odd width: halves round down
  DrawCenteredText(0, dc_, rect, 20, L"Hello", 3, 4);
  const int x = 10 + (201 / 2 - Width(L"Hello") / 2) + 3;
  ExpectSame(Reference({{{x, 24}, L"Hello"}}));
}

TEST_F(TextLines, WrapsByWordsDroppingLeadingSpaces) {
  const std::wstring text = L"one two  three four";
  const plat::Rect rect{5, 7, 5 + Width(L"one two"), 150};
  ASSERT_GT(Width(L"three four"), rect.Width());
  int lines = 0, height = 0, end = 0;
  DrawWrappedText(0, dc_, rect, 0, 3, text, {}, &lines, &height, &end);
  EXPECT_EQ(lines, 3);
  EXPECT_EQ(height, 14);
  EXPECT_EQ(end, Width(text));
  ExpectSame(Reference({{{5, 10}, L"one two"}, {{5, 24}, L"three"}, {{5, 38}, L"four"}}));
}

TEST_F(TextLines, FirstIndentAppliesToTheFirstLineOnly) {
  const plat::Rect rect{0, 0, Width(L"aa bb"), 100};
  int lines = 0, end = 0;
  DrawWrappedText(0, dc_, rect, Width(L"aa "), 0, L"bb cc dd", {}, &lines, nullptr, &end);
  EXPECT_EQ(lines, 2);
  EXPECT_EQ(end, Width(L"bb cc dd") + Width(L"aa "));
  ExpectSame(Reference({{{Width(L"aa "), 0}, L"bb"}, {{0, 14}, L"cc dd"}}));
}

TEST_F(TextLines, ALongWordSplitsBetweenCharacters) {
  const std::wstring word(40, L'W');
  const int w = Width(L"W");
  const plat::Rect rect{0, 0, 100, 160};
  const int perLine = 100 / w;
  ASSERT_GE(perLine, 1);
  int lines = 0;
  DrawWrappedText(0, dc_, rect, 0, 0, word, {}, &lines, nullptr, nullptr);
  EXPECT_EQ(lines, (40 + perLine - 1) / perLine);
  std::vector<std::pair<plat::Point, std::wstring>> want;
  for (int i = 0; i * perLine < 40; ++i)
    want.push_back({{0, 14 * i}, word.substr(i * perLine, perLine)});
  ExpectSame(Reference(want));
}

TEST_F(TextLines, BreakAnywhereFillsEachLine) {
  const plat::Rect rect{0, 0, Width(L"ab cd"), 100};
  int lines = 0;
  DrawWrappedText(0, dc_, rect, 0, 0, L"ab cdef", {.breakAnywhere = true}, &lines, nullptr,
                  nullptr);
  EXPECT_EQ(lines, 2);
  ExpectSame(Reference({{{0, 0}, L"ab cd"}, {{0, 14}, L"ef"}}));
}

TEST_F(TextLines, NoRoomAtAllStillTakesOneCharacterPerLine) {
  for (int width : {0, -30}) {
    int lines = 0;
    DrawWrappedText(0, dc_, {0, 0, width, 10}, 0, 0, L"ab c", {.measureOnly = true}, &lines,
                    nullptr, nullptr);
    EXPECT_EQ(lines, 3) << width;  // "a", "b", "c": the space after b is dropped
  }
  int lines = 0;
  DrawWrappedText(0, dc_, {0, 0, 5, 10}, 0, 0, L"\x01\x02\x03", {.measureOnly = true}, &lines,
                  nullptr, nullptr);
  EXPECT_EQ(lines, 1);  // controls take no room: one line
}

TEST_F(TextLines, CentredLinesUseTheAvailableWidthAndDx) {
  const plat::Rect rect{0, 0, 200, 100};
  TextLayout layout{.centred = true, .dx = 2, .dy = 5};
  DrawWrappedText(0, dc_, rect, 40, 1, L"Hi", layout, nullptr, nullptr, nullptr);
  const int x = ((200 - 40) / 2 - Width(L"Hi") / 2) + 2;
  ExpectSame(Reference({{{x, 6}, L"Hi"}}));
}

TEST_F(TextLines, MeasureOnlyDrawsNothingAndUnderlineSitsBelowTheText) {
  int lines = 0;
  DrawWrappedText(0, dc_, {0, 0, 300, 100}, 0, 0, L"Hello", {.measureOnly = true}, &lines, nullptr,
                  nullptr);
  EXPECT_EQ(lines, 1);
  ExpectSame(plat::Bitmap(320, 160, kBlack));

  DrawWrappedText(0, dc_, {10, 20, 300, 100}, 0, 0, L"Hello",
                  {.underline = true, .underlineColour = plat::Rgb(255, 0, 0)}, nullptr, nullptr,
                  nullptr);
  for (int x = 0; x < 320; ++x) {
    const bool under = x >= 10 && x < 10 + Width(L"Hello");
    EXPECT_EQ(bitmap_.At(x, 32), under ? 0xFF0000u : kBlack) << x;
  }
}

}  // namespace
