#pragma once
// Decodes a BMP or PNG file with stb_image from an open C stream or from
// memory (stands in for OLE picture loading and the DIB copy of a decoded
// picture).
#include <cstddef>
#include <cstdio>

#include "platform/gfx/bitmap.h"

namespace plat {

enum class DecodeResult { kOk, kUnknownType, kUndecodable };

// Reads from the stream's current position to its end; out is set only on kOk.
// Alpha is dropped: pure blue, not transparency, marks what is not drawn.
DecodeResult DecodePicture(std::FILE* file, Bitmap& out);
// The same for the whole file held in memory.
DecodeResult DecodePicture(const unsigned char* data, std::size_t size, Bitmap& out);

}  // namespace plat
