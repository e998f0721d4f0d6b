#pragma once
// The rendered glyphs of one font, made once and kept (stands in for GDI's
// glyph cache and font linking): a character the main face lacks comes from
// the first fallback face that has it.
#include <array>
#include <memory>
#include <mutex>
#include <unordered_map>
#include <vector>

#include "platform/gfx/font_face.h"

namespace plat {

class GlyphCache {
 public:
  GlyphCache(std::vector<FaceFile> faces, int height, int width, bool bold);
  ~GlyphCache();

  // Metrics of the main face (zero when no face could be opened).
  int ascent() const { return ascent_; }
  int height() const { return height_; }
  int averageCharWidth() const { return averageWidth_; }

  // Callers hold lock() while they use glyphs; a glyph stays valid until the
  // next Get.
  std::unique_lock<std::mutex> lock() { return std::unique_lock(mutex_); }
  const Glyph& Get(char32_t c);

 private:
  Glyph Render(char32_t c);
  FontFace* Fallback(std::size_t i);

  std::mutex mutex_;
  std::vector<FaceFile> files_;  // files_[i] belongs to faces_[i], opened on demand
  std::vector<std::unique_ptr<FontFace>> faces_;
  std::vector<bool> tried_;
  FontFace* main_ = nullptr;
  int requestedHeight_ = 0;
  int requestedWidth_ = 0;
  bool bold_ = false;
  int ascent_ = 0;
  int height_ = 0;
  int averageWidth_ = 0;
  std::array<Glyph, 256> latin_;
  std::array<bool, 256> latinReady_{};
  std::unordered_map<char32_t, Glyph> others_;
};

}  // namespace plat
