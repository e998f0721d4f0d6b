// What fonts do alike on every system.
#include "platform/gfx/font.h"

namespace plat {

const FontSpec& StockFontSpec() {
  static const FontSpec spec{L"MS Sans Serif", 13, 0, 400};
  return spec;
}

const Font& StockFont() {
  static const Font font(StockFontSpec());
  return font;
}

int Font::TextWidth(std::wstring_view text, int tabStop) const {
  return Advance(text, tabStop, std::nullopt).width;
}

std::size_t Font::FittingLength(std::wstring_view text, int maximum, int tabStop) const {
  return Advance(text, tabStop, maximum).length;
}

}  // namespace plat
