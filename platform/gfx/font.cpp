#include "platform/gfx/font.h"

#include <algorithm>

#include "platform/core/wide_text.h"
#include "platform/gfx/bitmap.h"
#include "platform/gfx/glyph_cache.h"

namespace plat {
namespace {

// Mixes ink over a pixel by coverage (0 keeps the pixel, 255 is all ink), red
// and blue together in one word.
Pixel Blend(Pixel under, Pixel ink, std::uint32_t coverage) {
  const std::uint32_t w = coverage + (coverage >> 7);  // 0..255 onto 0..256
  const std::uint32_t redBlue = ((ink & 0xFF00FF) * w + (under & 0xFF00FF) * (256 - w)) >> 8;
  const std::uint32_t green = ((ink & 0x00FF00) * w + (under & 0x00FF00) * (256 - w)) >> 8;
  return (redBlue & 0xFF00FF) | (green & 0x00FF00);
}

}  // namespace

Font::Font(const FontSpec& spec) : spec_(spec) {
  const int height = spec.height == 0 ? StockFontSpec().height : spec.height;
  const bool bold = spec.weight >= 600;
  glyphs_ = std::make_unique<GlyphCache>(MatchFaces(EncodeUtf8(spec.face), bold), height,
                                         std::max(0, spec.width), bold);
}

Font::~Font() = default;
Font::Font(Font&&) noexcept = default;
Font& Font::operator=(Font&&) noexcept = default;

int Font::ascent() const {
  return glyphs_->ascent();
}
int Font::height() const {
  return glyphs_->height();
}
int Font::averageCharWidth() const {
  return glyphs_->averageCharWidth();
}

Font::PenStop Font::Advance(std::wstring_view text, int tabStop, std::optional<int> limit) const {
  auto lock = glyphs_->lock();
  PenStop at;
  for (; at.length < text.size(); ++at.length) {
    const wchar_t c = text[at.length];
    int next = at.width;
    if (c == L'\t' && tabStop > 0)
      next = (at.width / tabStop + 1) * tabStop;
    else
      next += glyphs_->Get(static_cast<char32_t>(c)).advance;
    if (limit && next > *limit) break;
    at.width = next;
  }
  return at;
}

void Font::Draw(Bitmap& target, const Rect& clip, Point origin, std::wstring_view text,
                Pixel colour) const {
  const Rect area = clip.Intersect({0, 0, target.width(), target.height()});
  if (area.IsEmpty()) return;
  const Pixel ink = colour & 0xFFFFFF;
  auto lock = glyphs_->lock();
  const int baseline = origin.y + glyphs_->ascent();
  int pen = origin.x;
  for (wchar_t c : text) {
    if (pen >= area.right) break;
    const Glyph& glyph = glyphs_->Get(static_cast<char32_t>(c));
    const int left = pen + glyph.left;
    const int top = baseline - glyph.top;
    const Rect box = Rect::FromSize(left, top, glyph.width, glyph.height).Intersect(area);
    for (int y = box.top; y < box.bottom; ++y) {
      const std::uint8_t* cover =
          glyph.coverage.data() + static_cast<std::size_t>(y - top) * glyph.width;
      Pixel* row = target.Row(y);
      for (int x = box.left; x < box.right; ++x) {
        const std::uint32_t a = cover[x - left];
        if (a != 0) row[x] = a == 255 ? ink : Blend(row[x], ink, a);
      }
    }
    pen += glyph.advance;
  }
}

}  // namespace plat
