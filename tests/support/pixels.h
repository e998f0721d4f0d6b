#pragma once
// Comparing pictures pixel by pixel in tests.
#include <gtest/gtest.h>

#include <cstdio>

#include "platform/gfx/bitmap.h"

namespace testsupport {

// Success when both have the same size and pixels; else names the first
// difference.
inline ::testing::AssertionResult SamePixels(const plat::Bitmap& got, const plat::Bitmap& want) {
  if (got.width() != want.width() || got.height() != want.height())
    return ::testing::AssertionFailure() << "size " << got.width() << "x" << got.height()
                                         << ", wanted " << want.width() << "x" << want.height();
  for (int y = 0; y < want.height(); ++y) {
    for (int x = 0; x < want.width(); ++x) {
      if (got.At(x, y) == want.At(x, y)) continue;
      char detail[64];
      std::snprintf(detail, sizeof detail, "%06X, wanted %06X", got.At(x, y), want.At(x, y));
      return ::testing::AssertionFailure()
             << "first difference at " << x << "," << y << ": " << detail;
    }
  }
  return ::testing::AssertionSuccess();
}

}  // namespace testsupport
