#pragma once
// The download progress bar, painted straight onto a canvas: a flat trough,
// vertical stripes over the done part, and one line of text centred on it.
#include <cstdint>
#include <string_view>

#include "platform/core/colour.h"
#include "platform/core/geometry.h"
#include "platform/gfx/canvas.h"

constexpr std::uint32_t kProgressFlat = 0x20;

// percent is clamped to 0..100. Stripes are rect width / stripeCount wide,
// starting in the start colour; each next stripe adds the step to every
// component until it reaches the limit. The text is cut to fit and drawn in
// the canvas's font, clipped to rect (in place of any clip the canvas has);
// the canvas's state is left as it was. Border and shadow colours are not used
// by the flat style, the only one there is.
void DrawProgressBar(plat::Canvas& dc, unsigned windowStyle, double percent, plat::Rect rect,
                     std::uint32_t flags, std::wstring_view text, std::uint8_t startRed,
                     std::uint8_t startGreen, std::uint8_t startBlue, std::uint8_t limitRed,
                     std::uint8_t limitGreen, std::uint8_t limitBlue, std::uint8_t stepRed,
                     std::uint8_t stepGreen, std::uint8_t stepBlue, plat::ColorRef background,
                     plat::ColorRef border, plat::ColorRef textColour, plat::ColorRef shadow,
                     int stripeCount, int textOffset);
