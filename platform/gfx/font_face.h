#pragma once
// One FreeType face scaled the Windows way (stands in for a realised GDI
// font): a positive height is the cell height (ascent + descent) in pixels, a
// negative one the em height.
#include <cstdint>
#include <memory>
#include <vector>

#include "platform/gfx/font_matcher.h"

namespace plat {

// A rendered glyph: 8-bit coverage, placed relative to the pen on the baseline.
struct Glyph {
  int left = 0;  // from the pen to the first column
  int top = 0;   // from the baseline up to the first row
  int width = 0;
  int height = 0;
  int advance = 0;
  std::vector<std::uint8_t> coverage;  // width * height, top row first
};

class FontFace {
 public:
  // Null when the file cannot be opened as a scalable face.
  static std::unique_ptr<FontFace> Open(const FaceFile& file, int height, int width, bool embolden);
  ~FontFace();
  FontFace(const FontFace&) = delete;
  FontFace& operator=(const FontFace&) = delete;

  int ascent() const { return ascent_; }
  int height() const { return height_; }
  int averageCharWidth() const { return averageWidth_; }
  const FaceFile& file() const { return file_; }

  bool HasGlyph(char32_t c) const;
  // The glyph of c, or the face's missing-glyph shape.
  Glyph Render(char32_t c) const;

 private:
  struct Handle;
  FontFace(const FaceFile& file, std::unique_ptr<Handle> handle, bool embolden);
  FaceFile file_;
  std::unique_ptr<Handle> handle_;
  bool embolden_ = false;
  int ascent_ = 0;
  int height_ = 0;
  int averageWidth_ = 0;
};

}  // namespace plat
