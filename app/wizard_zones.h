#pragma once
// The places of the wizard window that mean something to a click: the six
// language flags of the first screen and the zones of the title band for a
// double-click. Client coordinates.
#include <array>

#include "platform/core/geometry.h"

struct LanguageFlag {
  plat::Rect rect;  // left, top, left + width, top + height
  int languageIndex;
};
// Left to right; Japanese (4) has no flag.
inline constexpr std::array<LanguageFlag, 6> kLanguageFlags = {{
    {{45, 171, 95, 203}, 0},
    {{142, 171, 192, 203}, 1},
    {{240, 171, 287, 203}, 2},
    {{338, 171, 388, 204}, 3},
    {{436, 171, 483, 203}, 5},
    {{534, 171, 584, 203}, 6},
}};

// The entry whose flag holds the point strictly inside its edges (a point on
// an edge is on no flag); when several do, the last. -1 for none.
int FlagAt(plat::Point p);

enum class BandZone {
  kNone,            // below the band or on its edges
  kClose,           // the top-left corner: closes the wizard
  kQuiet,           // the title text: nothing
  kToggleMaximise,  // the rest of the band
};
BandZone DoubleClickZone(plat::Point p);
