#include "app/wizard_zones.h"

#include "ui/skin_constants.h"

namespace {
constexpr int kBandHeight = kDragBandHeight;
}  // namespace

int FlagAt(plat::Point p) {
  int hit = -1;
  for (int i = 0; i < static_cast<int>(kLanguageFlags.size()); ++i) {
    const plat::Rect& r = kLanguageFlags[i].rect;
    if (r.left < p.x && p.x < r.right && r.top < p.y && p.y < r.bottom) hit = i;
  }
  return hit;
}

BandZone DoubleClickZone(plat::Point p) {
  if (0 < p.x && p.x < 40 && 0 < p.y && p.y < kBandHeight) return BandZone::kClose;
  if (40 <= p.x && p.x < 250 && 10 < p.y && p.y < kBandHeight) return BandZone::kQuiet;
  if (0 < p.x && p.x < 20000 && 0 < p.y && p.y < kBandHeight) return BandZone::kToggleMaximise;
  return BandZone::kNone;
}
