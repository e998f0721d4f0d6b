// Window icons from the program's pictures.
#include <vector>

#include "platform/gfx/dib_win32.h"
#include "platform/window/win32/win32_backend.h"

namespace plat::detail {
namespace {

constexpr Pixel kTransparentBlue = 0x0000FF;

struct GdiDeleter {
  void operator()(HGDIOBJ object) const { DeleteObject(object); }
};
using GdiHandle = std::unique_ptr<std::remove_pointer_t<HGDIOBJ>, GdiDeleter>;

}  // namespace

IconHandle MakeIcon(const Bitmap& picture, int width, int height) {
  if (picture.empty() || width <= 0 || height <= 0) return nullptr;
  BITMAPINFO info = TopDown32BitInfo(width, height);
  void* bits = nullptr;
  GdiHandle colour(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  if (!colour || !bits) return nullptr;
  // The mask: one bit per pixel, rows padded to 16 bits; 1 is transparent.
  const int maskStride = ((width + 15) / 16) * 2;
  std::vector<unsigned char> mask(static_cast<std::size_t>(maskStride) * height, 0);
  auto* out = static_cast<std::uint32_t*>(bits);
  for (int y = 0; y < height; ++y) {
    const int sy = y * picture.height() / height;
    for (int x = 0; x < width; ++x) {
      const Pixel p = picture.At(x * picture.width() / width, sy) & 0xFFFFFF;
      const bool clear = p == kTransparentBlue;
      out[static_cast<std::size_t>(y) * width + x] = clear ? 0 : (0xFF000000u | p);
      if (clear) mask[static_cast<std::size_t>(y) * maskStride + x / 8] |= 0x80 >> (x % 8);
    }
  }
  GdiHandle maskBitmap(CreateBitmap(width, height, 1, 1, mask.data()));
  if (!maskBitmap) return nullptr;
  ICONINFO icon{};
  icon.fIcon = TRUE;
  icon.hbmMask = static_cast<HBITMAP>(maskBitmap.get());
  icon.hbmColor = static_cast<HBITMAP>(colour.get());
  return IconHandle(CreateIconIndirect(&icon));  // it copies both bitmaps
}

}  // namespace plat::detail
