#pragma once
// Measuring a text in a canvas's current font, and cutting it to a width.
// windowStyle holds the style bits of the window the text is drawn for (0 when
// there is none): with bit 0x80 set, tabs are expanded as they are measured.
#include <cstddef>
#include <string>
#include <string_view>

#include "platform/gfx/canvas.h"

constexpr unsigned kWindowStyleExpandTabs = 0x80;

int MeasureTextWidth(unsigned windowStyle, plat::Canvas& dc, std::wstring_view text);

// The number of leading characters of text that measure at most maximum wide.
// Widths only grow as characters are added, so this is the longest start of
// the text that fits.
std::size_t FittingLength(unsigned windowStyle, plat::Canvas& dc, std::wstring_view text,
                          int maximum);

// Drops characters from the end of text until it is at most maximum wide;
// stores the rest in out and returns its width. A negative maximum returns 0
// and leaves out alone.
int FitTextToWidth(unsigned windowStyle, plat::Canvas& dc, std::wstring_view text, int maximum,
                   std::wstring& out);
