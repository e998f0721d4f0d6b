#pragma once
// A text font (stands in for CFont / HFONT): on Linux a face name matched by
// fontconfig and rendered by FreeType, on Windows a GDI font; anti-aliased.
#include <cstddef>
#include <memory>
#include <optional>
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
  // With tabStop > 0 a tab moves on to the next multiple of tabStop.
  int TextWidth(std::wstring_view text, int tabStop = 0) const;
  // How many leading characters of text fit in maximum pixels, measured as
  // TextWidth measures them.
  std::size_t FittingLength(std::wstring_view text, int maximum, int tabStop = 0) const;
  // Draws the text with the top of its cell at origin, blended in colour,
  // touching only pixels inside clip.
  void Draw(Bitmap& target, const Rect& clip, Point origin, std::wstring_view text,
            Pixel colour) const;

 private:
  // Where the pen stands after the leading characters that fit within limit.
  struct PenStop {
    std::size_t length = 0;
    int width = 0;
  };
  PenStop Advance(std::wstring_view text, int tabStop, std::optional<int> limit) const;

  FontSpec spec_;
  // The rendered glyphs (FreeType), or the realised GDI font and its surface.
  std::unique_ptr<GlyphCache> glyphs_;
};

}  // namespace plat
