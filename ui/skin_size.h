#pragma once
// The size rules of a skinned window, as arithmetic over sizes and the work
// area: fitting a rectangle into the work area, the size a resize request
// gives, the resize grip's zone and one step of pulling it.
#include <optional>

#include "platform/core/geometry.h"

// A requested width or height above this is ignored.
constexpr int kMaxSkinSize = 10000;

// Moves left/top into the work area and cuts right/bottom to it, in that
// order. 2 when the rectangle is then the work area itself, else 1 when
// something changed, else 0. An empty work area (unknown) changes nothing: 0.
int FitRectToArea(const plat::Rect& work, int* left, int* top, int* right, int* bottom);

// The size a request gives: with a known work area (non-empty, when fit is
// asked) at most its right and bottom coordinates, then at least minimum.
// nullopt when the result is above kMaxSkinSize in either direction.
std::optional<plat::Size> SkinSizeFor(plat::Size wanted, const plat::Rect& workArea, bool fit,
                                      plat::Size minimum);

// The square of side grip in the bottom-right corner of a window of size,
// both comparisons strict; offset is from the window's top-left corner.
bool InGripZone(plat::Point offset, plat::Size size, int grip);

// One mouse move while the grip is pulled (screen coordinates).
struct GripStep {
  plat::Size size;        // the size to ask for
  plat::Point lastMouse;  // where the next step measures from
  bool changed = false;   // size differs from the current one
};
GripStep PullGrip(plat::Size current, plat::Point lastMouse, plat::Point mouse,
                  plat::Point windowTopLeft, plat::Size minimum);
