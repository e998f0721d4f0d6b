#include "ui/skin_region.h"

#include <gtest/gtest.h>

#include <random>

namespace {

constexpr plat::Pixel kKey = 0x0000FF;  // pure blue as a pixel
constexpr plat::Pixel kInk = 0x371D3E;

// Every pixel is in the region exactly when it is opaque.
void ExpectMatchesPicture(const SkinRegion& region, const plat::Bitmap& picture) {
  for (int y = 0; y < picture.height(); ++y)
    for (int x = 0; x < picture.width(); ++x)
      ASSERT_EQ(region.Contains({x, y}), picture.At(x, y) != kKey) << x << "," << y;
}

TEST(BitmapToRegion, NoPictureNoRegion) {
  EXPECT_FALSE(BitmapToRegion(nullptr, kKey, 0, 0).has_value());
}

TEST(BitmapToRegion, AllTransparentIsEmpty) {
  const plat::Bitmap picture(40, 30, kKey);
  const auto region = BitmapToRegion(&picture, kKey, 0, 0);
  ASSERT_TRUE(region.has_value());
  EXPECT_TRUE(region->rects().empty());
  EXPECT_TRUE(region->bounds().IsEmpty());
  EXPECT_FALSE(region->Contains({0, 0}));
}

TEST(BitmapToRegion, NoneTransparentIsOneFullRowEach) {
  const plat::Bitmap picture(40, 30, kInk);
  const auto region = BitmapToRegion(&picture, kKey, 0, 0);
  ASSERT_TRUE(region.has_value());
  ASSERT_EQ(region->rects().size(), 30u);
  for (int y = 0; y < 30; ++y) EXPECT_EQ(region->rects()[y], (plat::Rect{0, y, 40, y + 1}));
  EXPECT_EQ(region->bounds(), (plat::Rect{0, 0, 40, 30}));
}

TEST(BitmapToRegion, OneBitDifferenceIsOpaque) {
  for (int bit = 0; bit < 24; ++bit) {
    plat::Bitmap picture(3, 1, kKey);
    picture.Set(1, 0, kKey ^ (1u << bit));
    const auto region = BitmapToRegion(&picture, kKey, 0, 0);
    ASSERT_TRUE(region.has_value());
    EXPECT_EQ(region->rects(), (std::vector<plat::Rect>{{1, 0, 2, 1}})) << "bit " << bit;
  }
}

TEST(BitmapToRegion, RunsOfEachRow) {
  // O = opaque, . = key
  const char* rows[] = {"OO..OOO", ".......", "O.O.O.O", "..OOOO."};
  plat::Bitmap picture(7, 4, kKey);
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 7; ++x)
      if (rows[y][x] == 'O') picture.Set(x, y, kInk);
  const auto region = BitmapToRegion(&picture, kKey, 0, 0);
  ASSERT_TRUE(region.has_value());
  const std::vector<plat::Rect> expected = {{0, 0, 2, 1}, {4, 0, 7, 1}, {0, 2, 1, 3}, {2, 2, 3, 3},
                                            {4, 2, 5, 3}, {6, 2, 7, 3}, {2, 3, 6, 4}};
  EXPECT_EQ(region->rects(), expected);
  EXPECT_EQ(region->bounds(), (plat::Rect{0, 0, 7, 4}));
}

TEST(BitmapToRegion, MarginsBoundWhereRunsStart) {
  const plat::Bitmap picture(10, 1, kInk);
  struct Case {
    int left, right;
    plat::Rect run;
  };
  const Case cases[] = {
      {0, 0, {0, 0, 10, 1}},
      {3, 0, {3, 0, 10, 1}},
      {3, 4, {3, 0, 10, 1}},   // a run may reach past the right margin
      {-5, 0, {0, 0, 10, 1}},  // a negative left counts as 0
      {5, 4, {5, 0, 10, 1}},
      {9, 4, {}},   // left is cut to width - right: no start is left
      {0, 50, {}},  // right is cut to the width: no start is left
  };
  for (const Case& c : cases) {
    const auto region = BitmapToRegion(&picture, kKey, c.left, c.right);
    ASSERT_TRUE(region.has_value());
    if (c.run.IsEmpty()) {
      EXPECT_TRUE(region->rects().empty()) << c.left << " " << c.right;
    } else {
      EXPECT_EQ(region->rects(), std::vector<plat::Rect>{c.run}) << c.left << " " << c.right;
    }
  }
}

TEST(BitmapToRegion, ManyRunsComeInBatchesOfTwoThousand) {
  struct Case {
    int width, height;  // every other column opaque: width / 2 runs a row
    std::size_t runs;
    int batches;  // full batches, then the last (possibly empty) one
  };
  const Case cases[] = {
      {20, 10, 100, 1}, {100, 40, 2000, 2}, {100, 50, 2500, 2}, {200, 81, 8100, 5}};
  for (const Case& c : cases) {
    plat::Bitmap picture(c.width, c.height, kKey);
    std::vector<plat::Rect> runs;
    for (int y = 0; y < c.height; ++y) {
      for (int x = 0; x < c.width; x += 2) {
        picture.Set(x, y, kInk);
        runs.push_back({x, y, x + 1, y + 1});
      }
    }
    ASSERT_EQ(runs.size(), c.runs);
    const auto region = BitmapToRegion(&picture, kKey, 0, 0);
    ASSERT_TRUE(region.has_value());
    EXPECT_EQ(region->rects(), runs);  // nothing lost or doubled at a batch's edge
    EXPECT_EQ(region->batches(), c.batches) << c.runs << " runs";
    EXPECT_EQ(region->bounds(), (plat::Rect{0, 0, c.width - 1, c.height}));
  }
}

TEST(BitmapToRegion, RandomPictureMatchesPixelByPixel) {
  std::mt19937 random(7);
  plat::Bitmap picture(97, 61);
  for (int y = 0; y < picture.height(); ++y)
    for (int x = 0; x < picture.width(); ++x)
      picture.Set(x, y, random() % 3 == 0 ? kKey : (random() & 0xFFFFFF));
  const auto region = BitmapToRegion(&picture, kKey, 0, 0);
  ASSERT_TRUE(region.has_value());
  ExpectMatchesPicture(*region, picture);
  for (const plat::Rect& r : region->rects()) EXPECT_EQ(r.Height(), 1);
}

}  // namespace
