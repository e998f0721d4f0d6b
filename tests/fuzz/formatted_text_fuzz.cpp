// Formatted text drawn on a canvas without a screen: style and colour codes,
// version codes, wrapping. It always ends, draws only inside the bitmap and
// reports a sane layout.
// Input: four bytes for the rectangle's width and height, the start y and the
// layout flags, then the text in UTF-8.
#include <array>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "platform/core/wide_text.h"
#include "platform/gfx/bitmap.h"
#include "platform/gfx/canvas.h"
#include "platform/gfx/font.h"
#include "ui/formatted_text.h"
#include "util/style_tables.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  std::array<StyleFontDescription, kStyleCount> fonts;
  const int heights[kStyleCount] = {18, 16, 13, 12, 10};
  for (int i = 0; i < kStyleCount; ++i) fonts[i] = {L"Verdana", heights[i], i == 0 ? 700 : 400};
  CreateStyleFonts(fonts);
  SetStyleColours({0x00F5F5F5, 0x000000FF, 0x0000FF00, 0x00FF0000, 0x0000FFFF});
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 4) return 0;
  static plat::Font callerFont(plat::FontSpec{L"DejaVu Sans", 20, 0, 400});
  const int width = 1 + data[0];  // a rectangle from 1 pixel to wider than the bitmap
  const int height = 1 + data[1] / 2;
  const int y = static_cast<int>(data[2]) - 64;
  TextLayout layout;
  layout.breakAnywhere = (data[3] & 1) != 0;
  layout.centred = (data[3] & 2) != 0;
  layout.measureOnly = (data[3] & 4) != 0;
  layout.underline = (data[3] & 8) != 0;
  layout.dx = (data[3] >> 4) - 8;
  layout.dy = (data[3] >> 6) - 2;
  const std::wstring text =
      plat::DecodeUtf8(std::string_view(reinterpret_cast<const char*>(data) + 4, size - 4));

  plat::Bitmap bitmap(200, 120, 0);
  plat::Canvas dc(bitmap);
  dc.SelectFont(&callerFont);
  const plat::Rect rect{5, 4, 5 + width, 4 + height};
  int lines = -1, lineHeight = -1, overflow = -1, yEnd = -1;
  const bool withEnd = (size & 1) != 0;
  if (DrawFormattedText(0, dc, rect, y, text, layout, &lines, &lineHeight, &overflow,
                        withEnd ? &yEnd : nullptr) != 0) {
    std::abort();
  }
  if (lines < 0 || lineHeight < 0 || (overflow != 0 && overflow != 1)) std::abort();
  // Every line is drawn for a piece of the text: never more lines than characters and breaks.
  if (static_cast<std::size_t>(lines) > text.size() + 1) std::abort();
  if (dc.selectedFont() != &callerFont) std::abort();
  return 0;
}
