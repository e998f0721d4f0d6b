// The Linux fonts: fontconfig's choice of faces and FreeType scaled to give
// exactly what GDI gives, fallback faces included.
#include <gtest/gtest.h>

#include "platform/gfx/bitmap.h"
#include "platform/gfx/font.h"
#include "platform/gfx/font_matcher.h"
#include "tests/support/pixels.h"

namespace {

constexpr plat::Pixel kWhite = 0xFFFFFF;

plat::Bitmap Render(const plat::Font& font, std::wstring_view text) {
  plat::Bitmap b(std::max(1, font.TextWidth(text)) + 8, font.height() + 8, kWhite);
  font.Draw(b, {0, 0, b.width(), b.height()}, {4, 4}, text, 0);
  return b;
}

int Inked(const plat::Bitmap& b) {
  int n = 0;
  for (int y = 0; y < b.height(); ++y)
    for (int x = 0; x < b.width(); ++x) n += b.At(x, y) != kWhite;
  return n;
}

TEST(FontMatcher, WindowsFacesBecomeInstalledSansFaces) {
  for (const char* face : {"Verdana", "Arial", "MS Sans Serif", "No Such Face At All"}) {
    const auto faces = plat::MatchFaces(face, false);
    ASSERT_FALSE(faces.empty()) << face;
    const std::string& file = faces.front().path;
    EXPECT_EQ(file.find("Serif"), std::string::npos) << face << " -> " << file;
    EXPECT_EQ(file.find("Mono"), std::string::npos) << face << " -> " << file;
    EXPECT_TRUE(faces.front().Covers(U'A')) << face;
  }
  const auto bold = plat::MatchFaces("Verdana", true);
  ASSERT_FALSE(bold.empty());
  EXPECT_TRUE(bold.front().bold);
}

TEST(Font, PositiveHeightIsTheCellHeight) {
  for (int height : {10, 12, 13, 16, 18, 40}) {
    plat::Font font({L"Verdana", height, 0, 400});
    EXPECT_EQ(font.height(), height);
    EXPECT_GT(font.ascent(), height / 2);
    EXPECT_LT(font.ascent(), height);
  }
  // A negative height is the em height, so the cell is taller.
  plat::Font em({L"Verdana", -20, 0, 400});
  EXPECT_GT(em.height(), 20);
  // Height 0 takes the stock font's height.
  EXPECT_EQ(plat::Font({L"Verdana", 0, 0, 400}).height(), plat::StockFontSpec().height);
}

TEST(Font, WeightFromSixHundredIsBold) {
  const std::wstring text = L"Swaymo wizard";
  const plat::Font regular({L"Verdana", 18, 0, 400});
  const plat::Font almost({L"Verdana", 18, 0, 599});
  const plat::Font bold({L"Verdana", 18, 0, 600});
  EXPECT_EQ(almost.TextWidth(text), regular.TextWidth(text));
  EXPECT_GT(bold.TextWidth(text), regular.TextWidth(text));
  EXPECT_GT(Inked(Render(bold, L"l")), Inked(Render(regular, L"l")));
}

TEST(Font, ChineseAndJapaneseComeFromAFallbackFace) {
  const plat::Font font({L"Verdana", 16, 0, 400});
  const plat::Bitmap missing = Render(font, L"\U0010FFFD");  // no face has it: the box
  for (const wchar_t* text : {L"中文", L"日本語", L"ひらがな"}) {
    const plat::Bitmap picture = Render(font, text);
    EXPECT_GT(Inked(picture), 20) << "text " << text;
    EXPECT_GT(font.TextWidth(text), 0);
    // Each character is a real glyph, not the missing-glyph box.
    for (const wchar_t* c = text; *c; ++c) {
      const plat::Bitmap one = Render(font, std::wstring_view(c, 1));
      EXPECT_FALSE(testsupport::SamePixels(one, missing)) << "character " << static_cast<int>(*c);
    }
  }
  EXPECT_FALSE(testsupport::SamePixels(Render(font, L"中"), Render(font, L"文")));
}

}  // namespace
