#include "platform/gfx/bitmap.h"

#include <stb_image_write.h>

#include <cstdio>

#include "platform/fs/files.h"
#include "platform/gfx/picture_decoder.h"

namespace plat {
namespace {

File OpenPath(const std::filesystem::path& file, bool write) {
#ifdef _WIN32
  return File(_wfopen(file.c_str(), write ? L"wb" : L"rb"));
#else
  return File(std::fopen(file.c_str(), write ? "wb" : "rb"));
#endif
}

}  // namespace

Bitmap::Bitmap(int width, int height, Pixel fill)
    : width_(width > 0 ? width : 0),
      height_(height > 0 ? height : 0),
      pixels_(static_cast<std::size_t>(width_) * height_, fill) {}

std::optional<Bitmap> Bitmap::Load(const std::filesystem::path& file) {
  const File stream = OpenPath(file, false);
  if (!stream) return std::nullopt;
  Bitmap out;
  if (DecodePicture(stream.get(), out) != DecodeResult::kOk) return std::nullopt;
  return out;
}

bool Bitmap::SavePng(const std::filesystem::path& file) const {
  if (empty()) return false;
  std::vector<unsigned char> rgb;
  rgb.reserve(pixels_.size() * 3);
  for (const Pixel p : pixels_) {
    rgb.push_back(static_cast<unsigned char>(p >> 16));
    rgb.push_back(static_cast<unsigned char>(p >> 8));
    rgb.push_back(static_cast<unsigned char>(p));
  }
  const File out = OpenPath(file, true);
  if (!out) return false;
  bool written = true;
  struct Sink {
    std::FILE* file;
    bool* ok;
  } sink{out.get(), &written};
  const auto write = [](void* context, void* data, int size) {
    auto* s = static_cast<Sink*>(context);
    if (std::fwrite(data, 1, static_cast<std::size_t>(size), s->file) !=
        static_cast<std::size_t>(size))
      *s->ok = false;
  };
  const bool encoded =
      stbi_write_png_to_func(write, &sink, width_, height_, 3, rgb.data(), width_ * 3) != 0;
  return encoded && written && std::fflush(out.get()) == 0;
}

}  // namespace plat
