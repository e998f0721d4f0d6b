#pragma once
// Decodes a picture file through FreeImage from an open C stream (stands in
// for OLE picture loading and the DIB copy of a decoded picture).
#include <cstdio>

#include "platform/gfx/bitmap.h"

namespace plat {

enum class DecodeResult { kOk, kUnknownType, kUndecodable };

// Reads from the stream's current position; out is set only on kOk.
DecodeResult DecodePicture(std::FILE* file, Bitmap& out);

}  // namespace plat
