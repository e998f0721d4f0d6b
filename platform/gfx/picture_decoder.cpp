#include "platform/gfx/picture_decoder.h"

#include <stb_image.h>

#include <climits>
#include <memory>
#include <string_view>
#include <utility>
#include <vector>

namespace plat {
namespace {

struct StbiDeleter {
  void operator()(unsigned char* pixels) const { stbi_image_free(pixels); }
};

std::vector<unsigned char> ReadRest(std::FILE* file) {
  std::vector<unsigned char> bytes;
  unsigned char block[16384];
  std::size_t n;
  while ((n = std::fread(block, 1, sizeof block, file)) > 0)
    bytes.insert(bytes.end(), block, block + n);
  return bytes;
}

bool StartsWith(const unsigned char* data, std::size_t size, std::string_view magic) {
  return size >= magic.size() &&
         std::string_view(reinterpret_cast<const char*>(data), magic.size()) == magic;
}

}  // namespace

DecodeResult DecodePicture(std::FILE* file, Bitmap& out) {
  if (!file) return DecodeResult::kUnknownType;
  const std::vector<unsigned char> bytes = ReadRest(file);
  return DecodePicture(bytes.data(), bytes.size(), out);
}

DecodeResult DecodePicture(const unsigned char* data, std::size_t size, Bitmap& out) {
  if (size > static_cast<std::size_t>(INT_MAX)) return DecodeResult::kUndecodable;
  using namespace std::string_view_literals;
  if (!StartsWith(data, size, "\x89PNG\r\n\x1a\n"sv) && !StartsWith(data, size, "BM"sv))
    return DecodeResult::kUnknownType;
  int width = 0, height = 0, channels = 0;
  const std::unique_ptr<unsigned char, StbiDeleter> rgb(
      stbi_load_from_memory(data, static_cast<int>(size), &width, &height, &channels, 3));
  if (!rgb || width <= 0 || height <= 0) return DecodeResult::kUndecodable;
  Bitmap picture(width, height);
  const unsigned char* src = rgb.get();
  for (int y = 0; y < height; ++y) {
    Pixel* dst = picture.Row(y);
    for (int x = 0; x < width; ++x, src += 3)
      dst[x] = (Pixel{src[0]} << 16) | (Pixel{src[1]} << 8) | src[2];
  }
  out = std::move(picture);
  return DecodeResult::kOk;
}

}  // namespace plat
