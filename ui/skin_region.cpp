#include "ui/skin_region.h"

#include <algorithm>

namespace {

plat::Rect Union(const plat::Rect& a, const plat::Rect& b) {
  if (a.IsEmpty()) return b;
  if (b.IsEmpty()) return a;
  return {std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right),
          std::max(a.bottom, b.bottom)};
}

// Collects rectangles and hands them to the region kRegionBatch at a time.
class BatchBuilder {
 public:
  explicit BatchBuilder(SkinRegion& region) : region_(region) { batch_.reserve(kRegionBatch); }

  void Append(const plat::Rect& rect) {
    batch_.push_back(rect);
    if (static_cast<int>(batch_.size()) == kRegionBatch) Flush();
  }
  void Flush() {
    region_.Unite(batch_);
    batch_.clear();
  }

 private:
  SkinRegion& region_;
  std::vector<plat::Rect> batch_;
};

}  // namespace

void SkinRegion::Unite(std::span<const plat::Rect> batch) {
  ++batches_;
  for (const plat::Rect& r : batch) {
    if (r.IsEmpty()) continue;
    rects_.push_back(r);
    bounds_ = Union(bounds_, r);
  }
}

bool SkinRegion::Contains(plat::Point p) const {
  if (!bounds_.Contains(p)) return false;
  return std::any_of(rects_.begin(), rects_.end(),
                     [p](const plat::Rect& r) { return r.Contains(p); });
}

std::optional<SkinRegion> BitmapToRegion(const plat::Bitmap* picture, plat::Pixel transparentPixel,
                                         int left, int right) {
  if (picture == nullptr) return std::nullopt;
  const int width = picture->width();
  const int height = picture->height();
  right = std::clamp(right, 0, width);
  left = std::max(0, std::min(left, width - right));

  SkinRegion region;
  BatchBuilder builder(region);
  for (int y = 0; y < height; ++y) {
    const plat::Pixel* row = picture->Row(y);
    for (int x = left; x < width - right; ++x) {
      const int start = x;
      while (x < width && row[x] != transparentPixel) ++x;
      if (x > start) builder.Append({start, y, x, y + 1});
    }
  }
  builder.Flush();
  return region;
}
