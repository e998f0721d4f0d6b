#pragma once
// Texts with inline markup, wrapped into a rectangle. Codes:
//   \fsN  font StyleFonts[N-1] from here on (N 1..5; other digits do nothing)
//   \fcN  colour StyleColours[N-1] from here on
//   \vrNNN  a version notice when NNN is above the notice's version
//   \\    one literal backslash
// A carriage return (else a line feed) ends a line; anything else that
// starts with a backslash is drawn as it stands.
#include <string_view>

#include "platform/core/geometry.h"
#include "platform/gfx/canvas.h"
#include "ui/text_lines.h"

// Draws text from y (an offset from rect.top) in style 1 first, and leaves the
// canvas's state as it was. Outputs (any may be null): lines drawn, the last line height, 1 when a
// further line would not fit the rectangle (else 0), and the final y. Without
// yEnd, drawing stops once y is past the rectangle's bottom. Returns 0.
int DrawFormattedText(unsigned windowStyle, plat::Canvas& dc, const plat::Rect& rect, int y,
                      std::wstring_view text, const TextLayout& layout, int* lineCount,
                      int* lineHeight, int* overflow, int* yEnd);
