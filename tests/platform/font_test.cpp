#include "platform/gfx/font.h"

#include <gtest/gtest.h>

#include "platform/gfx/bitmap.h"

namespace {

constexpr plat::Pixel kWhite = 0xFFFFFF;

// The system's font mapper has the last word on exact cells (GDI rounds
// them); the kind of height asked for is what counts.
TEST(Font, HeightIsTheCellOrTheEm) {
  for (int height : {10, 13, 18, 40}) {
    plat::Font font({L"Verdana", height, 0, 400});
    EXPECT_NEAR(font.height(), height, 1);
    EXPECT_GT(font.ascent(), height / 2);
    EXPECT_LT(font.ascent(), font.height());
  }
  EXPECT_GT(plat::Font({L"Verdana", -40, 0, 400}).height(), 42);
  EXPECT_EQ(plat::Font({L"Verdana", 0, 0, 400}).height(),
            plat::Font({L"Verdana", plat::StockFontSpec().height, 0, 400}).height());
}

TEST(Font, WidthSetsTheAverageCharacterWidth) {
  const plat::Font narrow({L"Verdana", 16, 4, 400});
  const plat::Font wide({L"Verdana", 16, 12, 400});
  EXPECT_EQ(narrow.averageCharWidth(), 4);
  EXPECT_EQ(wide.averageCharWidth(), 12);
  EXPECT_LT(narrow.TextWidth(L"abcdef"), wide.TextWidth(L"abcdef"));
  EXPECT_EQ(narrow.height(), wide.height());
}

TEST(Font, TabsAndControlCharactersInMeasuring) {
  const plat::Font font({L"Verdana", 13, 0, 400});
  EXPECT_EQ(font.TextWidth(L"a\r\nb"), font.TextWidth(L"ab"));
  EXPECT_EQ(font.TextWidth(L"a\tb", 50), 50 + font.TextWidth(L"b"));
  EXPECT_EQ(font.TextWidth(L"a\tb\tc", 50), 100 + font.TextWidth(L"c"));
  const int three = font.TextWidth(L"abc");
  EXPECT_EQ(font.FittingLength(L"abcdef", three), 3u);
  EXPECT_EQ(font.FittingLength(L"abcdef", three - 1), 2u);
  EXPECT_EQ(font.FittingLength(L"a\tbc", 49, 50), 1u);  // the tab does not fit
  EXPECT_EQ(font.FittingLength(L"abcdef", 100000), 6u);
}

TEST(Font, InkIsTheTextColourBlendedOverThePicture) {
  const plat::Font font({L"Verdana", 24, 0, 700});
  constexpr plat::Pixel kRed = 0xFF0000;
  plat::Bitmap b(120, 40, kWhite);
  const plat::Rect clip{10, 5, 60, 30};
  font.Draw(b, clip, {4, 4}, L"HHHHHHHH", kRed);
  int full = 0;
  int changed = 0;
  for (int y = 0; y < b.height(); ++y)
    for (int x = 0; x < b.width(); ++x) {
      const plat::Pixel p = b.At(x, y);
      if (p == kWhite) continue;
      ++changed;
      EXPECT_TRUE(clip.Contains({x, y})) << x << "," << y;
      // Between white and red: red stays full, green and blue fall together.
      EXPECT_EQ(p >> 16, 0xFFu) << x << "," << y;
      EXPECT_NEAR(static_cast<int>((p >> 8) & 0xFF), static_cast<int>(p & 0xFF), 40);
      full += p == kRed;
    }
  EXPECT_GT(changed, 50);
  EXPECT_GT(full, 20);  // the stems are solid ink
}

TEST(Font, DrawingStaysInsideClipAndBitmap) {
  const plat::Font font({L"Verdana", 30, 0, 700});
  plat::Bitmap b(20, 20, kWhite);
  font.Draw(b, {5, 5, 15, 15}, {-10, -8}, L"WWWWWW", 0);
  font.Draw(b, {-100, -100, 100, 100}, {15, 15}, L"WWWWWW", 0);  // runs off the bitmap
  for (int y = 0; y < 20; ++y)
    for (int x = 0; x < 20; ++x) {
      if (!(x >= 5 && x < 15 && y >= 5 && y < 15) && !(x >= 15 && y >= 15)) {
        EXPECT_EQ(b.At(x, y), kWhite) << x << "," << y;
      }
    }
}

}  // namespace
