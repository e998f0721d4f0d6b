#pragma once
// The five text styles of the formatted-text markup: fonts and colours,
// process-wide, created when the wizard opens and released when it closes.
#include <array>
#include <memory>
#include <string>

#include "platform/core/colour.h"
#include "platform/gfx/font.h"

constexpr int kStyleCount = 5;

// A slot may hold no font.
extern std::array<std::unique_ptr<plat::Font>, kStyleCount> StyleFonts;
extern std::array<plat::ColorRef, kStyleCount> StyleColours;

struct StyleFontDescription {
  std::wstring face;
  int height = 0;
  int weight = 400;
};

// Replaces every slot's font by one made from the stock font's description
// with the given face, height and weight (width 0).
void CreateStyleFonts(const std::array<StyleFontDescription, kStyleCount>& fonts);
void SetStyleColours(const std::array<plat::ColorRef, kStyleCount>& colours);
void DeleteStyleFonts();
