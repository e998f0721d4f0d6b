#pragma once
// Plain text lines on a canvas in its current font: measuring, one centred
// line, and a paragraph wrapped into a rectangle by words or by characters.
// windowStyle is passed on to MeasureTextWidth.
#include <string_view>

#include "platform/core/colour.h"
#include "platform/core/geometry.h"
#include "platform/gfx/canvas.h"

struct TextLayout {
  bool breakAnywhere = false;  // wrap between any two characters, not only between words
  bool centred = false;
  bool measureOnly = false;  // lay out and count, draw nothing
  int dx = 0;                // added to x of centred lines only
  int dy = 0;                // added to y of every line
  bool underline = false;
  plat::ColorRef underlineColour = 0;
};

// The height of "8" in the current font plus 2 pixels.
int LineHeight(plat::Canvas& dc);

plat::Size MeasureTextSize(unsigned windowStyle, plat::Canvas& dc, std::wstring_view text);

// One line, centred on rect horizontally, at y + dy; no wrapping.
void DrawCenteredText(unsigned windowStyle, plat::Canvas& dc, const plat::Rect& rect, int y,
                      std::wstring_view text, int dx, int dy);

// One paragraph without markup, its first line starting firstIndent pixels in,
// each line at rect.top + y + dy moving down by the line height. Outputs (the
// first two may be null): lines drawn, the line height, the width of the
// whole text as one line plus firstIndent, and where the last line drawn ends
// (its indent plus its width).
void DrawWrappedText(unsigned windowStyle, plat::Canvas& dc, const plat::Rect& rect,
                     int firstIndent, int y, std::wstring_view text, const TextLayout& layout,
                     int* lineCount, int* lineHeight, int* endWidth, int* lastLineEnd = nullptr);
