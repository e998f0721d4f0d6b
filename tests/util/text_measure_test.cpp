#include "util/text_measure.h"

#include <gtest/gtest.h>

#include "util/style_tables.h"

namespace {

class TextMeasure : public ::testing::Test {
 protected:
  TextMeasure() { dc_.SelectFont(&font_); }
  int Width(std::wstring_view text) { return dc_.TextExtent(text).width; }

  plat::Font font_{{L"Verdana", 12, 0, 400}};
  plat::Bitmap bitmap_{1, 1};
  plat::Canvas dc_{bitmap_};
};

TEST_F(TextMeasure, PlainOrTabbedByTheWindowStyle) {
  EXPECT_EQ(MeasureTextWidth(0, dc_, L""), 0);
  EXPECT_EQ(MeasureTextWidth(0x80, dc_, L""), 0);
  EXPECT_EQ(MeasureTextWidth(0, dc_, L"Swaymo"), Width(L"Swaymo"));
  EXPECT_EQ(MeasureTextWidth(0x80, dc_, L"Swaymo"), Width(L"Swaymo"));
  EXPECT_EQ(MeasureTextWidth(0, dc_, L"a\tb"), Width(L"ab"));
  EXPECT_EQ(MeasureTextWidth(0x80, dc_, L"a\tb"), dc_.TabbedTextExtent(L"a\tb").width);
  EXPECT_GT(MeasureTextWidth(0x80, dc_, L"a\tb"), Width(L"ab"));
  EXPECT_EQ(MeasureTextWidth(0x7F, dc_, L"a\tb"), Width(L"ab"));  // only bit 0x80 counts
}

TEST_F(TextMeasure, FitDropsCharactersFromTheEnd) {
  const std::wstring text = L"12.5MB of 40.0MB";
  const int whole = Width(text);
  struct Case {
    int maximum;
    std::wstring out;
  };
  const Case cases[] = {
      {whole + 100, text},
      {whole, text},
      {whole - 1, text.substr(0, text.size() - 1)},
      {Width(L"12.5MB"), L"12.5MB"},
      {Width(L"1") - 1, L""},
      {0, L""},
  };
  for (const Case& c : cases) {
    std::wstring out = L"old";
    EXPECT_EQ(FitTextToWidth(0, dc_, text, c.maximum, out), Width(c.out)) << c.maximum;
    EXPECT_EQ(out, c.out) << c.maximum;
  }
  std::wstring untouched = L"old";
  EXPECT_EQ(FitTextToWidth(0, dc_, text, -1, untouched), 0);
  EXPECT_EQ(untouched, L"old");

  // With tabs expanded the same text is wider, so more is cut.
  std::wstring plain, tabbed;
  const int limit = Width(L"ab") + 2;
  FitTextToWidth(0, dc_, L"a\tb", limit, plain);
  FitTextToWidth(0x80, dc_, L"a\tb", limit, tabbed);
  EXPECT_EQ(plain, L"a\tb");
  EXPECT_EQ(tabbed, L"a");  // "a\t" already reaches the first tab stop
}

TEST(StyleTables, CreateReplaceAndDelete) {
  const std::array<StyleFontDescription, kStyleCount> wizard{{{L"Verdana", 18, 700},
                                                              {L"Verdana", 16, 400},
                                                              {L"Verdana", 13, 400},
                                                              {L"Verdana", 12, 400},
                                                              {L"Verdana", 10, 400}}};
  CreateStyleFonts(wizard);
  const int heights[] = {18, 16, 13, 12, 10};
  for (int i = 0; i < kStyleCount; ++i) {
    ASSERT_TRUE(StyleFonts[i]) << i;
    EXPECT_EQ(StyleFonts[i]->height(), heights[i]);
    EXPECT_EQ(StyleFonts[i]->spec().face, L"Verdana");
    EXPECT_EQ(StyleFonts[i]->spec().width, 0);
  }
  EXPECT_EQ(StyleFonts[0]->spec().weight, 700);

  std::array<StyleFontDescription, kStyleCount> again = wizard;
  again[2] = {L"Arial", 20, 400};
  CreateStyleFonts(again);
  EXPECT_EQ(StyleFonts[2]->height(), 20);
  EXPECT_EQ(StyleFonts[2]->spec().face, L"Arial");

  SetStyleColours({0xF5F5F5, 1, 2, 3, 4});
  EXPECT_EQ(StyleColours[0], 0xF5F5F5u);
  EXPECT_EQ(StyleColours[4], 4u);

  DeleteStyleFonts();
  for (const auto& font : StyleFonts) EXPECT_FALSE(font);
  DeleteStyleFonts();  // twice is harmless
}

}  // namespace
