#include "util/style_tables.h"

std::array<std::unique_ptr<plat::Font>, kStyleCount> StyleFonts;
std::array<plat::ColorRef, kStyleCount> StyleColours{};

void CreateStyleFonts(const std::array<StyleFontDescription, kStyleCount>& fonts) {
  for (int i = 0; i < kStyleCount; ++i) {
    StyleFonts[i].reset();
    plat::FontSpec spec = plat::StockFontSpec();
    spec.height = fonts[i].height;
    spec.width = 0;
    spec.weight = fonts[i].weight;
    spec.face = fonts[i].face;
    StyleFonts[i] = std::make_unique<plat::Font>(spec);
  }
}

void SetStyleColours(const std::array<plat::ColorRef, kStyleCount>& colours) {
  StyleColours = colours;
}

void DeleteStyleFonts() {
  for (auto& font : StyleFonts) font.reset();
}
