#include "ui/progress_bar.h"

#include <gtest/gtest.h>

#include <cmath>

#include "tests/support/pixels.h"

namespace {

constexpr plat::Pixel kOutside = 0x123456;
constexpr plat::ColorRef kTrough = 0x00371D3E;
constexpr plat::ColorRef kText = 0x00F5F5F5;
const plat::Pixel kTroughPixel = plat::ToPixel(kTrough);
const plat::Pixel kStripePixel = plat::ToPixel(plat::Rgb(154, 46, 158));

class ProgressBar : public ::testing::Test {
 protected:
  ProgressBar() { dc_.SelectFont(&font_); }

  // The download display's colours and stripes.
  void Draw(double percent, plat::Rect rect, std::wstring_view text = L"", int stripes = 60,
            int offset = 0) {
    DrawProgressBar(dc_, 0, percent, rect, kProgressFlat, text, 154, 46, 158, 154, 46, 158, 2, 2, 2,
                    kTrough, 0, kText, 0, stripes, offset);
  }
  // What row y holds from x 0 on: 'o' outside, '.' trough, '#' stripe, '?' other.
  std::string Row(int y, int from, int to) {
    std::string s;
    for (int x = from; x < to; ++x) {
      const plat::Pixel p = bitmap_.At(x, y);
      s += p == kOutside ? 'o' : p == kTroughPixel ? '.' : p == kStripePixel ? '#' : '?';
    }
    return s;
  }

  plat::Font font_{{L"Verdana", 12, 0, 400}};
  plat::Bitmap bitmap_{700, 60, kOutside};
  plat::Canvas dc_{bitmap_};
};

TEST_F(ProgressBar, OnePercentIsAlreadyOneWholeStripe) {
  Draw(1, {40, 10, 590, 45});  // the wizard's 550-pixel rectangle
  EXPECT_EQ(Row(12, 38, 52), "oo##########..");
  EXPECT_EQ(Row(9, 38, 52), std::string(14, 'o'));
  EXPECT_EQ(Row(44, 38, 52), "oo##########..");
  EXPECT_EQ(Row(45, 38, 52), std::string(14, 'o'));
  EXPECT_EQ(Row(12, 588, 592), "..oo");
}

TEST_F(ProgressBar, BarGrowsInWholeStripesPlusTheOverlapPixel) {
  struct Case {
    double percent;
    int lastStripePixel;  // -1: no stripe at all
  };
  // 600 pixels, 60 stripes: 10 pixels each, exact in binary.
  const Case cases[] = {{-5, -1},  {0, -1},   {NAN, -1}, {0.1, 50},  {50, 340},
                        {51, 350}, {98, 630}, {99, 639}, {100, 639}, {250, 639}};
  for (const Case& c : cases) {
    bitmap_ = plat::Bitmap(700, 60, kOutside);
    Draw(c.percent, {40, 0, 640, 30});
    for (int x = 40; x < 640; ++x) {
      const bool stripe = x <= c.lastStripePixel;
      ASSERT_EQ(bitmap_.At(x, 2), stripe ? kStripePixel : kTroughPixel)
          << c.percent << "% at x " << x;
    }
    EXPECT_EQ(bitmap_.At(640, 2), kOutside) << c.percent;
  }
}

TEST_F(ProgressBar, OverHundredDrawsTheSameAsHundred) {
  Draw(100, {40, 10, 590, 45}, L"12.5MB of 40.0MB");
  const plat::Bitmap hundred = bitmap_;
  bitmap_ = plat::Bitmap(700, 60, kOutside);
  Draw(250, {40, 10, 590, 45}, L"12.5MB of 40.0MB");
  EXPECT_TRUE(testsupport::SamePixels(bitmap_, hundred));
}

TEST_F(ProgressBar, NarrowStripesNearTheStartAreDarker) {
  DrawProgressBar(dc_, 0, 100, {0, 0, 100, 10}, kProgressFlat, L"", 154, 46, 158, 154, 46, 158, 2,
                  2, 2, kTrough, 0, kText, 0, 20, 0);  // 5-pixel stripes
  const plat::Pixel dark = plat::ToPixel(plat::Rgb(104, 0, 108));
  for (int x = 0; x < 12; ++x) EXPECT_EQ(bitmap_.At(x, 5), x < 5 ? dark : kStripePixel) << x;
}

TEST_F(ProgressBar, StripeColoursStepTowardTheLimit) {
  // 10-pixel stripes; each is read in its middle.
  DrawProgressBar(dc_, 0, 100, {0, 0, 100, 10}, kProgressFlat, L"", 10, 20, 200, 16, 100, 5, 2, 50,
                  1, kTrough, 0, kText, 0, 10, 0);
  const plat::ColorRef want[] = {plat::Rgb(10, 20, 200), plat::Rgb(12, 70, 5),
                                 plat::Rgb(14, 100, 5), plat::Rgb(16, 100, 5),
                                 plat::Rgb(16, 100, 5)};
  for (int i = 0; i < 5; ++i) EXPECT_EQ(bitmap_.At(10 * i + 5, 5), plat::ToPixel(want[i])) << i;
}

TEST_F(ProgressBar, TextIsCutFromTheEndAndCentred) {
  const int w = dc_.TextExtent(L"W").width;
  struct Case {
    plat::Rect rect;
    int keep;  // characters of "WWW..." that remain
  };
  const Case cases[] = {
      {{40, 10, 240, 40}, (200 - 20) / w},
      {{40, 10, 90, 40}, 50 / w},  // 50 pixels or less: the whole width
      {{40, 10, 91, 40}, (51 - 20) / w},
  };
  for (const Case& c : cases) {
    bitmap_ = plat::Bitmap(700, 60, kOutside);
    Draw(0, c.rect, std::wstring(100, L'W'));

    plat::Bitmap want(700, 60, kOutside);
    plat::Canvas ref(want);
    ref.SelectFont(&font_);
    ref.FillRect(c.rect, kTrough);
    ref.SetBackgroundMode(plat::Canvas::Background::kTransparent);
    ref.SetTextColour(kText);
    ref.SetClip(c.rect);
    const std::wstring kept(c.keep, L'W');
    const int width = c.rect.Width();
    ref.TextOut({c.rect.left + width / 2 - (c.keep * w) / 2, c.rect.top + (30 - 12) / 2}, kept);
    EXPECT_TRUE(testsupport::SamePixels(bitmap_, want)) << "width " << width;
  }
}

TEST_F(ProgressBar, TextStaysInsideAndTheCanvasIsLeftAsFound) {
  dc_.SetClip({0, 0, 10, 10});
  dc_.SetTextColour(1);
  Draw(30, {40, 10, 240, 30}, L"Downloading", 60, 15);  // pushed half below the bar
  EXPECT_EQ(dc_.clip(), (plat::Rect{0, 0, 10, 10}));
  EXPECT_EQ(dc_.textColour(), 1u);
  EXPECT_EQ(dc_.backgroundMode(), plat::Canvas::Background::kOpaque);
  for (int y = 0; y < 60; ++y) {
    for (int x = 0; x < 700; ++x) {
      if (y < 10 || y >= 30 || x < 40 || x >= 240) {
        ASSERT_EQ(bitmap_.At(x, y), kOutside) << x << "," << y;
      }
    }
  }
  // Some text landed on the bar's lower half.
  int ink = 0;
  for (int y = 20; y < 30; ++y)
    for (int x = 40; x < 240; ++x)
      ink += bitmap_.At(x, y) != kTroughPixel && bitmap_.At(x, y) != kStripePixel;
  EXPECT_GT(ink, 0);
}

TEST_F(ProgressBar, OddInputsDrawSafely) {
  Draw(50, {40, 10, 240, 30}, L"x", 0);  // no stripe count: one stripe
  EXPECT_EQ(bitmap_.At(239, 12), kStripePixel);
  Draw(50, {40, 10, 240, 30}, L"x", 1 << 30);  // far more stripes than pixels
  Draw(50, {240, 10, 40, 30}, L"x");           // turned inside out: nothing to draw
  Draw(50, {-100, -100, 1000, 1000}, L"x");    // larger than the bitmap
}

}  // namespace
