#pragma once
// Windows: how a Bitmap's pixels look to GDI. A 32-bit DIB holds 0x00RRGGBB
// per pixel, as a Bitmap does; with a negative height its top row comes first.
#include <windows.h>

namespace plat {

inline BITMAPINFO TopDown32BitInfo(int width, int height) {
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  return info;
}

}  // namespace plat
