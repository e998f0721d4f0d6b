#include "platform/gfx/bitmap.h"

#include <FreeImage.h>

#include <cstring>
#include <memory>

namespace plat {
namespace {

struct FreeImageDeleter {
  void operator()(FIBITMAP* b) const { FreeImage_Unload(b); }
};
using FreeImagePtr = std::unique_ptr<FIBITMAP, FreeImageDeleter>;

void IgnoreMessage(FREE_IMAGE_FORMAT, const char*) {}

}  // namespace

Bitmap::Bitmap(int width, int height, Pixel fill)
    : width_(width > 0 ? width : 0),
      height_(height > 0 ? height : 0),
      pixels_(static_cast<std::size_t>(width_) * height_, fill) {}

std::optional<Bitmap> Bitmap::Load(const std::filesystem::path& file) {
  FreeImage_SetOutputMessage(IgnoreMessage);
  FREE_IMAGE_FORMAT format = FreeImage_GetFileType(file.c_str(), 0);
  if (format == FIF_UNKNOWN) format = FreeImage_GetFIFFromFilename(file.c_str());
  if (format == FIF_UNKNOWN || !FreeImage_FIFSupportsReading(format)) return std::nullopt;
  FreeImagePtr loaded(FreeImage_Load(format, file.c_str(), 0));
  if (!loaded) return std::nullopt;
  FreeImagePtr rgb(FreeImage_ConvertTo32Bits(loaded.get()));
  if (!rgb) return std::nullopt;
  Bitmap out(static_cast<int>(FreeImage_GetWidth(rgb.get())),
             static_cast<int>(FreeImage_GetHeight(rgb.get())));
  for (int y = 0; y < out.height_; ++y) {
    // FreeImage keeps the bottom row first, in BGRA byte order.
    const BYTE* src = FreeImage_GetScanLine(rgb.get(), out.height_ - 1 - y);
    Pixel* dst = out.Row(y);
    for (int x = 0; x < out.width_; ++x) {
      const BYTE* px = src + 4 * x;
      dst[x] = (Pixel{px[FI_RGBA_RED]} << 16) | (Pixel{px[FI_RGBA_GREEN]} << 8) | px[FI_RGBA_BLUE];
    }
  }
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
