#include "ui/skin_size.h"

#include <gtest/gtest.h>

namespace {

const plat::Rect kWork{0, 0, 1920, 1040};

TEST(FitRectToArea, MovesAndCutsInOrder) {
  struct Case {
    plat::Rect in;
    plat::Rect work;
    plat::Rect out;
    int result;
  };
  const Case cases[] = {
      {{0, 0, 1920, 1040}, kWork, {0, 0, 1920, 1040}, 2},  // already the work area
      {{0, 0, 630, 440}, kWork, {0, 0, 630, 440}, 0},
      {{100, 50, 730, 490}, kWork, {100, 50, 730, 490}, 0},
      {{2000, 1100, 2630, 1540}, kWork, {0, 0, 1920, 1040}, 2},  // past both: to the origin, cut
      {{-30, -10, 600, 430}, kWork, {0, 0, 600, 430}, 1},
      {{1500, 900, 2130, 1340}, kWork, {1500, 900, 1920, 1040}, 1},
      {{-5, -5, 5000, 5000}, kWork, {0, 0, 1920, 1040}, 2},
      {{0, 0, 630, 440}, {100, 30, 1920, 1040}, {100, 30, 630, 440}, 1},
      {{-30, -10, 600, 430}, {}, {-30, -10, 600, 430}, 0},  // work area unknown
  };
  for (const Case& c : cases) {
    plat::Rect r = c.in;
    EXPECT_EQ(FitRectToArea(c.work, &r.left, &r.top, &r.right, &r.bottom), c.result);
    EXPECT_EQ(r, c.out) << c.in.left << "," << c.in.top << "," << c.in.right << "," << c.in.bottom;
  }
}

TEST(SkinSizeFor, WorkAreaThenMinimumThenCeiling) {
  const plat::Size minimum{630, 440};
  struct Case {
    plat::Size wanted;
    plat::Rect work;
    bool fit;
    std::optional<plat::Size> size;
  };
  const Case cases[] = {
      {{800, 600}, kWork, true, plat::Size{800, 600}},
      {{50, 50}, kWork, true, plat::Size{630, 440}},
      {{3000, 2000}, kWork, true, plat::Size{1920, 1040}},
      {{3000, 2000}, kWork, false, plat::Size{3000, 2000}},
      {{3000, 2000}, {}, true, plat::Size{3000, 2000}},  // work area unknown
      // the work area's right and bottom coordinates, not its size
      {{3000, 2000}, {100, 40, 1000, 700}, true, plat::Size{1000, 700}},
      // the minimum wins over the work area
      {{3000, 2000}, {0, 0, 500, 300}, true, plat::Size{630, 440}},
      {{20000, 600}, kWork, false, std::nullopt},
      {{800, 10001}, kWork, false, std::nullopt},
      {{10000, 10000}, kWork, false, plat::Size{10000, 10000}},
      {{20000, 600}, kWork, true, plat::Size{1920, 600}},  // cut below the ceiling first
  };
  for (const Case& c : cases) {
    EXPECT_EQ(SkinSizeFor(c.wanted, c.work, c.fit, minimum), c.size)
        << c.wanted.width << "x" << c.wanted.height << " fit " << c.fit;
  }
  // A minimum above the ceiling makes every size too big.
  EXPECT_EQ(SkinSizeFor({50, 50}, kWork, false, {10001, 100}), std::nullopt);
}

TEST(InGripZone, StrictEdges) {
  const plat::Size size{630, 440};
  EXPECT_TRUE(InGripZone({629, 439}, size, 36));
  EXPECT_TRUE(InGripZone({595, 405}, size, 36));
  EXPECT_FALSE(InGripZone({594, 439}, size, 36));
  EXPECT_FALSE(InGripZone({629, 404}, size, 36));
  EXPECT_FALSE(InGripZone({629, 439}, size, 0));  // no grip
}

TEST(PullGrip, GrowsShrinksAndStopsAtTheMinimum) {
  const plat::Point window{100, 100};
  const plat::Size minimum{630, 440};
  const plat::Size current{700, 500};

  GripStep step = PullGrip(current, {790, 590}, {810, 600}, window, minimum);
  EXPECT_EQ(step.size, (plat::Size{720, 510}));
  EXPECT_TRUE(step.changed);
  EXPECT_EQ(step.lastMouse, (plat::Point{810, 600}));

  step = PullGrip(current, {790, 590}, {790, 590}, window, minimum);
  EXPECT_FALSE(step.changed);
  EXPECT_EQ(step.lastMouse, (plat::Point{790, 590}));

  // Left of the window's left edge plus the minimum width: the width stays at
  // the minimum and the next step measures from here.
  step = PullGrip({630, 500}, {720, 590}, {500, 620}, window, minimum);
  EXPECT_EQ(step.size, (plat::Size{630, 530}));
  EXPECT_EQ(step.lastMouse, (plat::Point{500, 620}));

  step = PullGrip({630, 440}, {700, 500}, {300, 200}, window, minimum);
  EXPECT_EQ(step.size, minimum);
  EXPECT_FALSE(step.changed);
  EXPECT_EQ(step.lastMouse, (plat::Point{300, 200}));

  // Shrinking stops at the minimum while the pointer is still right of it.
  step = PullGrip({640, 450}, {800, 600}, {760, 560}, window, minimum);
  EXPECT_EQ(step.size, minimum);
}

}  // namespace
