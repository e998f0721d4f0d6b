#include "platform/gfx/picture_decoder.h"

#include <utility>

#include "platform/gfx/freeimage_ptr.h"

namespace plat {
namespace {

void IgnoreMessage(FREE_IMAGE_FORMAT, const char*) {}

std::FILE* Stream(fi_handle handle) {
  return static_cast<std::FILE*>(handle);
}

unsigned DLL_CALLCONV Read(void* buffer, unsigned size, unsigned count, fi_handle handle) {
  return static_cast<unsigned>(std::fread(buffer, size, count, Stream(handle)));
}
unsigned DLL_CALLCONV Write(void* buffer, unsigned size, unsigned count, fi_handle handle) {
  return static_cast<unsigned>(std::fwrite(buffer, size, count, Stream(handle)));
}
int DLL_CALLCONV Seek(fi_handle handle, long offset, int origin) {
  return std::fseek(Stream(handle), offset, origin);
}
long DLL_CALLCONV Tell(fi_handle handle) {
  return std::ftell(Stream(handle));
}

bool ToBitmap(FIBITMAP* decoded, Bitmap& out) {
  FreeImagePtr standard;
  if (FreeImage_GetImageType(decoded) != FIT_BITMAP) {
    standard.reset(FreeImage_ConvertToStandardType(decoded, TRUE));
    if (!standard) return false;
    decoded = standard.get();
  }
  FreeImagePtr rgb(FreeImage_ConvertTo32Bits(decoded));
  if (!rgb) return false;
  Bitmap picture(static_cast<int>(FreeImage_GetWidth(rgb.get())),
                 static_cast<int>(FreeImage_GetHeight(rgb.get())));
  for (int y = 0; y < picture.height(); ++y) {
    // FreeImage keeps the bottom row first, in BGRA byte order.
    const BYTE* src = FreeImage_GetScanLine(rgb.get(), picture.height() - 1 - y);
    Pixel* dst = picture.Row(y);
    for (int x = 0; x < picture.width(); ++x) {
      const BYTE* px = src + 4 * x;
      dst[x] = (Pixel{px[FI_RGBA_RED]} << 16) | (Pixel{px[FI_RGBA_GREEN]} << 8) | px[FI_RGBA_BLUE];
    }
  }
  out = std::move(picture);
  return true;
}

}  // namespace

DecodeResult DecodePicture(std::FILE* file, Bitmap& out) {
  if (!file) return DecodeResult::kUnknownType;
  FreeImage_SetOutputMessage(IgnoreMessage);
  FreeImageIO io{Read, Write, Seek, Tell};
  const FREE_IMAGE_FORMAT format = FreeImage_GetFileTypeFromHandle(&io, file, 0);
  if (format == FIF_UNKNOWN || !FreeImage_FIFSupportsReading(format))
    return DecodeResult::kUnknownType;
  FreeImagePtr decoded(FreeImage_LoadFromHandle(format, &io, file, 0));
  if (!decoded || !ToBitmap(decoded.get(), out)) return DecodeResult::kUndecodable;
  return DecodeResult::kOk;
}

}  // namespace plat
