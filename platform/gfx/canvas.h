#pragma once
// Drawing onto a bitmap (stands in for a GDI device context): fills, copies,
// a transparent copy, a clip rectangle, and text in a selected font.
// Colours are COLORREF values (0x00BBGGRR); the bitmap stores 0x00RRGGBB.
#include <optional>
#include <string_view>

#include "platform/core/colour.h"
#include "platform/core/geometry.h"
#include "platform/gfx/bitmap.h"
#include "platform/gfx/font.h"

namespace plat {

class Canvas {
 public:
  explicit Canvas(Bitmap& target) : target_(target) {}

  Bitmap& target() { return target_; }

  void FillRect(const Rect& rect, ColorRef colour);
  // Copies the whole source, or the part rectangle of it, with its top-left at dest.
  void Copy(Point dest, const Bitmap& source);
  void Copy(Point dest, const Bitmap& source, const Rect& part);
  // As Copy, leaving out every source pixel of exactly the key colour.
  void CopyTransparent(Point dest, const Bitmap& source, ColorRef key);
  void CopyTransparent(Point dest, const Bitmap& source, const Rect& part, ColorRef key);

  // Drawing touches only pixels inside the clip rectangle, when one is set.
  void SetClip(const Rect& rect) { clip_ = rect; }
  void RemoveClip() { clip_.reset(); }
  const std::optional<Rect>& clip() const { return clip_; }

  // Opaque text fills its cell with the background colour first.
  enum class Background { kOpaque, kTransparent };
  Background SetBackgroundMode(Background mode);
  ColorRef SetBackgroundColour(ColorRef colour);
  ColorRef SetTextColour(ColorRef colour);
  ColorRef textColour() const { return textColour_; }

  // Null selects the stock font. Returns the font selected before.
  const Font* SelectFont(const Font* font);
  const Font* selectedFont() const { return font_; }
  const Font& font() const { return font_ ? *font_ : StockFont(); }

  // Draws one line with the top-left of its cell at at; no tabs, no wrapping.
  void TextOut(Point at, std::wstring_view text);
  Size TextExtent(std::wstring_view text) const;
  // As TextExtent, with tabs stopping every eight average character widths.
  Size TabbedTextExtent(std::wstring_view text) const;
  // How many leading characters of text fit in maximum pixels, measured as
  // TabbedTextExtent (expandTabs) or TextExtent measures them.
  std::size_t FittingLength(std::wstring_view text, int maximum, bool expandTabs) const;

 private:
  Rect DrawArea() const;
  int TabStop() const;

  Bitmap& target_;
  std::optional<Rect> clip_;
  Background background_ = Background::kOpaque;
  ColorRef backgroundColour_ = 0x00FFFFFF;
  ColorRef textColour_ = 0;
  const Font* font_ = nullptr;
};

// Clips a canvas for a scope, then puts its former clip back.
class ClipScope {
 public:
  ClipScope(Canvas& canvas, const Rect& rect) : canvas_(canvas), saved_(canvas.clip()) {
    canvas.SetClip(rect);
  }
  ~ClipScope() {
    if (saved_)
      canvas_.SetClip(*saved_);
    else
      canvas_.RemoveClip();
  }
  ClipScope(const ClipScope&) = delete;
  ClipScope& operator=(const ClipScope&) = delete;

 private:
  Canvas& canvas_;
  std::optional<Rect> saved_;
};

// Selects a font for a scope, then selects the former one again.
class FontScope {
 public:
  FontScope(Canvas& canvas, const Font* font) : canvas_(canvas), saved_(canvas.SelectFont(font)) {}
  ~FontScope() { canvas_.SelectFont(saved_); }
  FontScope(const FontScope&) = delete;
  FontScope& operator=(const FontScope&) = delete;

 private:
  Canvas& canvas_;
  const Font* saved_;
};

}  // namespace plat
