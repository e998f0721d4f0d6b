#include "platform/gfx/glyph_cache.h"

namespace plat {
namespace {

// A text full of distinct characters must not grow the cache without bound.
constexpr std::size_t kMostKeptGlyphs = 8192;

bool IsControl(char32_t c) {
  return c < 0x20 || (c >= 0x7F && c < 0xA0);
}

}  // namespace

GlyphCache::GlyphCache(std::vector<FaceFile> faces, int height, int width, bool bold)
    : files_(std::move(faces)),
      faces_(files_.size()),
      tried_(files_.size(), false),
      requestedHeight_(height),
      requestedWidth_(width),
      bold_(bold) {
  for (std::size_t i = 0; i < files_.size() && !main_; ++i) main_ = Fallback(i);
  if (main_) {
    ascent_ = main_->ascent();
    height_ = main_->height();
    averageWidth_ = main_->averageCharWidth();
  }
}

GlyphCache::~GlyphCache() = default;

FontFace* GlyphCache::Fallback(std::size_t i) {
  if (!tried_[i]) {
    tried_[i] = true;
    faces_[i] =
        FontFace::Open(files_[i], requestedHeight_, requestedWidth_, bold_ && !files_[i].bold);
  }
  return faces_[i].get();
}

const Glyph& GlyphCache::Get(char32_t c) {
  if (c < latin_.size()) {
    if (!latinReady_[c]) {
      latin_[c] = Render(c);
      latinReady_[c] = true;
    }
    return latin_[c];
  }
  auto found = others_.find(c);
  if (found != others_.end()) return found->second;
  if (others_.size() >= kMostKeptGlyphs) others_.clear();
  return others_.emplace(c, Render(c)).first->second;
}

Glyph GlyphCache::Render(char32_t c) {
  // Control characters take no room and draw nothing.
  if (!main_ || IsControl(c)) return {};
  if (main_->HasGlyph(c)) return main_->Render(c);
  for (std::size_t i = 0; i < files_.size(); ++i) {
    if (!files_[i].Covers(c)) continue;
    FontFace* face = Fallback(i);
    if (face && face != main_ && face->HasGlyph(c)) return face->Render(c);
  }
  return main_->Render(c);  // the main face's missing-glyph box
}

}  // namespace plat
