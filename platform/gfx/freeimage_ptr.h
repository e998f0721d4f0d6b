#pragma once
// Ownership of a FreeImage bitmap inside the layer.
#include <FreeImage.h>

#include <memory>

namespace plat {

struct FreeImageDeleter {
  void operator()(FIBITMAP* b) const { FreeImage_Unload(b); }
};
using FreeImagePtr = std::unique_ptr<FIBITMAP, FreeImageDeleter>;

}  // namespace plat
