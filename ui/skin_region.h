#pragma once
// The outline of a skin: the opaque pixels of a picture as one-pixel-high
// rectangles, one for each run of opaque pixels in a row.
#include <optional>
#include <span>
#include <vector>

#include "platform/core/colour.h"
#include "platform/core/geometry.h"
#include "platform/gfx/bitmap.h"

// Rectangles are gathered in blocks of this many before they join the region.
constexpr int kRegionBatch = 2000;

// A region as the window takes it: rectangles united batch after batch.
class SkinRegion {
 public:
  void Unite(std::span<const plat::Rect> batch);

  const std::vector<plat::Rect>& rects() const { return rects_; }
  int batches() const { return batches_; }
  // The smallest rectangle holding every part; empty for an empty region.
  plat::Rect bounds() const { return bounds_; }
  bool Contains(plat::Point p) const;

 private:
  std::vector<plat::Rect> rects_;
  plat::Rect bounds_;
  int batches_ = 0;
};

// The region of every pixel of picture that is not exactly transparentPixel
// (0x00RRGGBB). Runs start in [left, width - right) and may reach the right
// edge. Null picture: nullopt.
std::optional<SkinRegion> BitmapToRegion(const plat::Bitmap* picture, plat::Pixel transparentPixel,
                                         int left, int right);
