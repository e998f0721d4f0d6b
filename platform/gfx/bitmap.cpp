#include "platform/gfx/bitmap.h"

#include <cstdio>

#include "platform/fs/files.h"
#include "platform/gfx/freeimage_ptr.h"
#include "platform/gfx/picture_decoder.h"

namespace plat {

Bitmap::Bitmap(int width, int height, Pixel fill)
    : width_(width > 0 ? width : 0),
      height_(height > 0 ? height : 0),
      pixels_(static_cast<std::size_t>(width_) * height_, fill) {}

std::optional<Bitmap> Bitmap::Load(const std::filesystem::path& file) {
  const File stream(std::fopen(file.c_str(), "rb"));
  if (!stream) return std::nullopt;
  Bitmap out;
  if (DecodePicture(stream.get(), out) != DecodeResult::kOk) return std::nullopt;
  return out;
}

bool Bitmap::SavePng(const std::filesystem::path& file) const {
  if (empty()) return false;
  FreeImagePtr img(FreeImage_Allocate(width_, height_, 24));
  if (!img) return false;
  for (int y = 0; y < height_; ++y) {
    BYTE* dst = FreeImage_GetScanLine(img.get(), height_ - 1 - y);
    const Pixel* src = Row(y);
    for (int x = 0; x < width_; ++x) {
      dst[3 * x + FI_RGBA_RED] = static_cast<BYTE>(src[x] >> 16);
      dst[3 * x + FI_RGBA_GREEN] = static_cast<BYTE>(src[x] >> 8);
      dst[3 * x + FI_RGBA_BLUE] = static_cast<BYTE>(src[x]);
    }
  }
  return FreeImage_Save(FIF_PNG, img.get(), file.c_str(), 0) != 0;
}

}  // namespace plat
