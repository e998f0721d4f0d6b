#pragma once
// Colours. The system writes them as COLORREF (0x00BBGGRR); bitmaps store
// 0x00RRGGBB. The conversion happens once, at the canvas boundary.
#include <cstdint>

namespace plat {

using ColorRef = std::uint32_t;  // 0x00BBGGRR
using Pixel = std::uint32_t;     // 0x00RRGGBB

constexpr ColorRef Rgb(unsigned r, unsigned g, unsigned b) {
  return (r & 0xFF) | ((g & 0xFF) << 8) | ((b & 0xFF) << 16);
}
constexpr Pixel ToPixel(ColorRef c) {
  return ((c & 0xFF) << 16) | (c & 0xFF00) | ((c >> 16) & 0xFF);
}
constexpr ColorRef ToColorRef(Pixel p) { return ToPixel(p); }  // the swap is its own inverse

// Pure blue: the transparent key of the skin and of every picture.
constexpr ColorRef kTransparentKey = 0x00FF0000;

}  // namespace plat
