#pragma once
// A text font (stands in for CFont / HFONT): a face name matched by
// fontconfig, rendered by FreeType with anti-aliasing.
#include <memory>
#include <string>
#include <string_view>

#include "platform/core/colour.h"
#include "platform/core/geometry.h"

namespace plat {

class Bitmap;
class GlyphCache;

struct FontSpec {
  std::wstring face;
  int height = 0;    // > 0: cell height in pixels; < 0: em height; 0: the stock height
  int width = 0;     // average character width in pixels; 0: in proportion
  int weight = 400;  // 600 and above is bold
};

// The stock variable-pitch font, the base of fonts made from a description.
const FontSpec& StockFontSpec();
const class Font& StockFont();

class Font {
 public:
  explicit Font(const FontSpec& spec);
  ~Font();
  Font(Font&&) noexcept;
  Font& operator=(Font&&) noexcept;

  const FontSpec& spec() const { return spec_; }
  int ascent() const;
  int height() const;  // the cell height: every text extent has this height
  int averageCharWidth() const;

  // Width of the text, glyph after glyph (control characters take no room).
  int TextWidth(std::wstring_view text) const;
  // Draws the text with the top of its cell at origin, blended in colour,
  // touching only pixels inside clip.
  void Draw(Bitmap& target, const Rect& clip, Point origin, std::wstring_view text,
            Pixel colour) const;

 private:
  FontSpec spec_;
  std::unique_ptr<GlyphCache> glyphs_;
};

}  // namespace plat
