#include "platform/gfx/canvas.h"

#include <gtest/gtest.h>

#include <tuple>

namespace {

using plat::Bitmap;
using plat::Canvas;
using plat::Rect;

constexpr plat::Pixel kWhite = 0xFFFFFF;

// The pixels of a row as a string: '.' for the given background, '#' otherwise.
std::string RowPattern(const Bitmap& b, int y, plat::Pixel background = kWhite) {
  std::string s;
  for (int x = 0; x < b.width(); ++x) s += b.At(x, y) == background ? '.' : '#';
  return s;
}

TEST(Canvas, FillTakesColorRefAndStaysInsideBitmapAndClip) {
  Bitmap b(8, 3, kWhite);
  Canvas c(b);
  c.FillRect({-5, 0, 2, 1}, plat::Rgb(0x12, 0x34, 0x56));
  EXPECT_EQ(b.At(0, 0), 0x123456u);
  EXPECT_EQ(RowPattern(b, 0), "##......");
  c.SetClip({3, 0, 5, 3});
  c.FillRect({0, 1, 100, 100}, 0);
  EXPECT_EQ(RowPattern(b, 1), "...##...");
  EXPECT_EQ(RowPattern(b, 2), "...##...");
  c.RemoveClip();
  c.FillRect({6, 2, 100, 100}, 0);
  EXPECT_EQ(RowPattern(b, 2), "...##.##");
}

TEST(Canvas, CopyWholePartAndAcrossEdges) {
  Bitmap source(3, 2);
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 3; ++x) source.Set(x, y, static_cast<plat::Pixel>(0x10 * y + x + 1));

  struct Case {
    plat::Point dest;
    std::optional<Rect> part;
    std::vector<plat::Pixel> row0;  // first row of a 4 x 2 target afterwards
    std::vector<plat::Pixel> row1;
  };
  const plat::Pixel w = kWhite;
  const Case cases[] = {
      {{0, 0}, std::nullopt, {1, 2, 3, w}, {0x11, 0x12, 0x13, w}},
      {{2, 1}, std::nullopt, {w, w, w, w}, {w, w, 1, 2}},
      {{-1, -1}, std::nullopt, {0x12, 0x13, w, w}, {w, w, w, w}},
      {{1, 0}, Rect{1, 1, 3, 2}, {w, 0x12, 0x13, w}, {w, w, w, w}},
      {{0, 0}, Rect{-1, 0, 1, 1}, {w, 1, w, w}, {w, w, w, w}},  // part starts outside
      {{0, 0}, Rect{5, 5, 9, 9}, {w, w, w, w}, {w, w, w, w}},
  };
  for (const Case& k : cases) {
    Bitmap target(4, 2, kWhite);
    Canvas c(target);
    if (k.part)
      c.Copy(k.dest, source, *k.part);
    else
      c.Copy(k.dest, source);
    for (int x = 0; x < 4; ++x) {
      EXPECT_EQ(target.At(x, 0), k.row0[x]) << "dest " << k.dest.x << "," << k.dest.y << " x " << x;
      EXPECT_EQ(target.At(x, 1), k.row1[x]) << "dest " << k.dest.x << "," << k.dest.y << " x " << x;
    }
  }
}

TEST(Canvas, TransparentCopySkipsExactlyTheKey) {
  Bitmap source(4, 1);
  source.Set(0, 0, 0x0000FF);  // pure blue: left out
  source.Set(1, 0, 0x0000FE);  // one step off: drawn
  source.Set(2, 0, 0x0100FF);
  source.Set(3, 0, 0xFF0000);
  Bitmap target(4, 1, 0x777777);
  Canvas c(target);
  c.CopyTransparent({0, 0}, source, plat::kTransparentKey);
  EXPECT_EQ(target.At(0, 0), 0x777777u);
  EXPECT_EQ(target.At(1, 0), 0x0000FEu);
  EXPECT_EQ(target.At(2, 0), 0x0100FFu);
  EXPECT_EQ(target.At(3, 0), 0xFF0000u);

  c.SetClip({3, 0, 4, 1});
  Bitmap grey(4, 1, 0x333333);
  c.CopyTransparent({0, 0}, grey, plat::kTransparentKey);
  EXPECT_EQ(target.At(2, 0), 0x0100FFu);
  EXPECT_EQ(target.At(3, 0), 0x333333u);
}

TEST(Canvas, RestorePutsBackTheWholeStateSaved) {
  Bitmap b(4, 4);
  Canvas c(b);
  plat::Font font({L"DejaVu Sans", 10, 0, 400});
  auto state = [&c] {
    return std::tuple(c.clip(), c.backgroundMode(), c.backgroundColour(), c.textColour(),
                      c.selectedFont());
  };
  c.Restore();  // nothing saved: nothing changes
  const auto first = state();
  c.Save();
  c.SetClip({1, 1, 2, 2});
  c.SetBackgroundMode(Canvas::Background::kTransparent);
  c.SetBackgroundColour(0x123456);
  c.SetTextColour(0x654321);
  c.SelectFont(&font);
  const auto second = state();
  {
    plat::StateScope scope(c);
    c.RemoveClip();
    c.SetTextColour(0);
    c.SelectFont(nullptr);
  }
  EXPECT_EQ(state(), second);
  c.Restore();
  EXPECT_EQ(state(), first);
  EXPECT_FALSE(c.clip().has_value());
  EXPECT_EQ(c.backgroundMode(), Canvas::Background::kOpaque);
}

TEST(Canvas, ScopesPutBackClipAndFont) {
  Bitmap b(4, 4);
  Canvas c(b);
  plat::Font big({L"DejaVu Sans", 30, 0, 400});
  plat::Font small({L"DejaVu Sans", 10, 0, 400});
  {
    plat::ClipScope outer(c, {0, 0, 2, 2});
    {
      plat::ClipScope inner(c, {1, 1, 3, 3});
      EXPECT_EQ(c.clip(), (Rect{1, 1, 3, 3}));
    }
    EXPECT_EQ(c.clip(), (Rect{0, 0, 2, 2}));
  }
  EXPECT_FALSE(c.clip().has_value());

  EXPECT_EQ(c.SelectFont(&big), nullptr);
  {
    plat::FontScope scope(c, &small);
    EXPECT_EQ(&c.font(), &small);
  }
  EXPECT_EQ(&c.font(), &big);
  EXPECT_EQ(c.SelectFont(nullptr), &big);
  EXPECT_EQ(&c.font(), &plat::StockFont());
}

class CanvasText : public ::testing::Test {
 protected:
  plat::Font font_{{L"DejaVu Sans", 20, 0, 400}};
};

TEST_F(CanvasText, DrawsInTextColourWithinItsCell) {
  Bitmap b(100, 40, kWhite);
  Canvas c(b);
  c.SelectFont(&font_);
  c.SetBackgroundMode(Canvas::Background::kTransparent);
  c.SetTextColour(plat::Rgb(0, 0, 0x80));  // dark blue
  c.TextOut({10, 5}, L"HI");
  const plat::Size extent = c.TextExtent(L"HI");
  EXPECT_EQ(extent.height, 20);
  const Rect cell = Rect::FromSize(10, 5, extent.width, extent.height);
  int inked = 0, fullInk = 0, blended = 0;
  for (int y = 0; y < b.height(); ++y) {
    for (int x = 0; x < b.width(); ++x) {
      const plat::Pixel p = b.At(x, y);
      if (p == kWhite) continue;
      EXPECT_TRUE(cell.Contains({x, y})) << x << "," << y;
      ++inked;
      if (p == 0x000080)
        ++fullInk;
      else
        ++blended;
    }
  }
  EXPECT_GT(fullInk, 20);  // the stems of H and I
  EXPECT_GT(blended, 0);   // anti-aliased edges
  EXPECT_EQ(inked, fullInk + blended);
}

TEST_F(CanvasText, OpaqueModeFillsTheCellTransparentModeDoesNot) {
  Bitmap b(60, 30, kWhite);
  Canvas c(b);
  c.SelectFont(&font_);
  c.SetBackgroundColour(plat::Rgb(0, 0xFF, 0));
  c.TextOut({0, 0}, L"i");
  const int width = c.TextExtent(L"i").width;
  EXPECT_EQ(b.At(0, 19), 0x00FF00u);
  EXPECT_EQ(b.At(width - 1, 0), 0x00FF00u);
  EXPECT_EQ(b.At(width, 0), kWhite);
  EXPECT_EQ(b.At(0, 20), kWhite);

  Bitmap t(60, 30, kWhite);
  Canvas d(t);
  d.SelectFont(&font_);
  d.SetBackgroundMode(Canvas::Background::kTransparent);
  d.TextOut({0, 0}, L"i");
  EXPECT_EQ(t.At(0, 19), kWhite);
}

TEST_F(CanvasText, ClipCutsTextExactly) {
  Bitmap whole(80, 30, kWhite), clipped(80, 30, kWhite);
  Canvas a(whole), b(clipped);
  for (Canvas* c : {&a, &b}) {
    c->SelectFont(&font_);
    c->SetBackgroundMode(Canvas::Background::kTransparent);
  }
  b.SetClip({0, 0, 12, 30});
  a.TextOut({2, 2}, L"MMM");
  b.TextOut({2, 2}, L"MMM");
  for (int y = 0; y < 30; ++y)
    for (int x = 0; x < 80; ++x)
      EXPECT_EQ(clipped.At(x, y), x < 12 ? whole.At(x, y) : kWhite) << x << "," << y;
}

TEST_F(CanvasText, ExtentsAddUpAndTabsStopEveryEightAverageWidths) {
  Bitmap b(1, 1);
  Canvas c(b);
  c.SelectFont(&font_);
  const int ab = c.TextExtent(L"ab").width;
  EXPECT_EQ(ab, c.TextExtent(L"a").width + c.TextExtent(L"b").width);
  EXPECT_EQ(c.TextExtent(L"a\nb").width, ab);  // control characters take no room
  EXPECT_EQ(c.TextExtent(L"").width, 0);
  EXPECT_EQ(c.TextExtent(L"").height, 20);

  const int stop = 8 * font_.averageCharWidth();
  ASSERT_GT(stop, ab);
  EXPECT_EQ(c.TabbedTextExtent(L"ab").width, ab);
  EXPECT_EQ(c.TabbedTextExtent(L"a\tb").width, stop + c.TextExtent(L"b").width);
  EXPECT_EQ(c.TabbedTextExtent(L"\t\t").width, 2 * stop);
  EXPECT_EQ(c.TabbedTextExtent(L"\t").height, 20);

  // Fitting counts the leading characters whose extent stays within the limit.
  struct Fit {
    std::wstring_view text;
    int maximum;
    bool tabs;
    std::size_t length;
  };
  const Fit fits[] = {
      {L"ab", ab, false, 2},  {L"ab", ab - 1, false, 1}, {L"ab", 0, false, 0},
      {L"ab", -5, false, 0},  {L"", 10, false, 0},       {L"a\tb", ab, false, 3},
      {L"a\tb", ab, true, 1}, {L"a\tb", stop, true, 2},  {L"\n\nx", 0, false, 2},
  };
  for (const Fit& f : fits) {
    EXPECT_EQ(c.FittingLength(f.text, f.maximum, f.tabs), f.length)
        << f.maximum << (f.tabs ? " tabs" : "");
  }
}

}  // namespace
