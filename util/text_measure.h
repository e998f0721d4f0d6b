#pragma once
// Measuring a text in a canvas's current font, and cutting it to a width.
// windowStyle holds the style bits of the window the text is drawn for (0 when
// there is none): with bit 0x80 set, tabs are expanded as they are measured.
#include <string>
#include <string_view>

#include "platform/gfx/canvas.h"

constexpr unsigned kWindowStyleExpandTabs = 0x80;

int MeasureTextWidth(unsigned windowStyle, plat::Canvas& dc, std::wstring_view text);

// Drops characters from the end of text until it is at most maximum wide;
// stores the rest in out and returns its width. A negative maximum returns 0
// and leaves out alone.
int FitTextToWidth(unsigned windowStyle, plat::Canvas& dc, std::wstring_view text, int maximum,
                   std::wstring& out);
