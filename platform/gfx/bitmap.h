#pragma once
// A 32-bit picture in memory, 0x00RRGGBB per pixel, top row first
// (stands in for a DIB section / CBitmap).
#include <cstdint>
#include <filesystem>
#include <optional>
#include <vector>

#include "platform/core/colour.h"

namespace plat {

class Bitmap {
 public:
  Bitmap() = default;
  Bitmap(int width, int height, Pixel fill = 0);

  // Decodes a BMP or PNG file; nullopt when it cannot.
  static std::optional<Bitmap> Load(const std::filesystem::path& file);
  // Writes the picture as PNG; false on failure.
  bool SavePng(const std::filesystem::path& file) const;

  int width() const { return width_; }
  int height() const { return height_; }
  int stride() const { return width_; }  // in pixels
  bool empty() const { return width_ == 0 || height_ == 0; }

  Pixel* Row(int y) { return pixels_.data() + static_cast<std::size_t>(y) * width_; }
  const Pixel* Row(int y) const { return pixels_.data() + static_cast<std::size_t>(y) * width_; }
  Pixel At(int x, int y) const { return Row(y)[x]; }
  void Set(int x, int y, Pixel p) { Row(y)[x] = p; }
  Pixel* data() { return pixels_.data(); }
  const Pixel* data() const { return pixels_.data(); }

 private:
  int width_ = 0;
  int height_ = 0;
  std::vector<Pixel> pixels_;
};

}  // namespace plat
