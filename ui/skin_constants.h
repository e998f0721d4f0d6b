#pragma once
// The skin's fixed measures and colours, for the wizard's window, its zones,
// the message box, the look tool and the tests.
#include "platform/core/colour.h"
#include "platform/core/geometry.h"
#include "ui/hover_button.h"

// The wizard's window, as drawn in the skin picture.
inline constexpr plat::Size kSkinSize{630, 440};
// The band along the top that drags the window, as wide as any screen.
inline constexpr int kDragBandHeight = 36;
inline constexpr plat::Rect kDragBand{0, 0, 20000, kDragBandHeight};
inline constexpr unsigned kSkinIconId = 990;
// The skin picture, in the program's data folder.
inline constexpr wchar_t kSkinFileName[] = L"Dialog Graphic.bmp";
inline constexpr char kSkinFileNameUtf8[] = "Dialog Graphic.bmp";

// The buttons' captions in each state, and the light text written on the skin.
inline constexpr CaptionColours kSkinCaptionColours{0x00504040, 0x00FA6045, 0x00FF7050, 0x00D0D0D0};
inline constexpr plat::ColorRef kSkinTextColour = 0x00F5F5F5;
