#pragma once
// Drawing onto a bitmap (stands in for a GDI device context): fills, copies,
// a transparent copy, a clip rectangle, and text in a selected font.
// Colours are COLORREF values (0x00BBGGRR); the bitmap stores 0x00RRGGBB.
//
// Clip, font, text colour, background colour and background mode are one
// drawing state. A routine that changes it for its own drawing saves it first
// (StateScope, or ClipScope / FontScope for one change) and so leaves the
// caller's canvas as it found it.
#include <optional>
#include <string_view>
#include <vector>

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

  // Pushes the drawing state; Restore pops the last one saved back into place
  // (with nothing saved it does nothing).
  void Save() { saved_.push_back(state_); }
  void Restore();

  // Drawing touches only pixels inside the clip rectangle, when one is set.
  void SetClip(const Rect& rect) { state_.clip = rect; }
  void RemoveClip() { state_.clip.reset(); }
  const std::optional<Rect>& clip() const { return state_.clip; }

  // Opaque text fills its cell with the background colour first.
  enum class Background { kOpaque, kTransparent };
  Background SetBackgroundMode(Background mode);
  ColorRef SetBackgroundColour(ColorRef colour);
  ColorRef SetTextColour(ColorRef colour);
  Background backgroundMode() const { return state_.background; }
  ColorRef backgroundColour() const { return state_.backgroundColour; }
  ColorRef textColour() const { return state_.textColour; }

  // Null selects the stock font. Returns the font selected before.
  const Font* SelectFont(const Font* font);
  const Font* selectedFont() const { return state_.font; }
  const Font& font() const { return state_.font ? *state_.font : StockFont(); }

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

  struct State {
    std::optional<Rect> clip;
    Background background = Background::kOpaque;
    ColorRef backgroundColour = 0x00FFFFFF;
    ColorRef textColour = 0;
    const Font* font = nullptr;
  };

  Bitmap& target_;
  State state_;
  std::vector<State> saved_;
};

// Saves a canvas's drawing state for a scope and restores it at the end.
class StateScope {
 public:
  explicit StateScope(Canvas& canvas) : canvas_(canvas) { canvas.Save(); }
  ~StateScope() { canvas_.Restore(); }
  StateScope(const StateScope&) = delete;
  StateScope& operator=(const StateScope&) = delete;

 private:
  Canvas& canvas_;
};

// A state scope that starts by clipping.
class ClipScope : public StateScope {
 public:
  ClipScope(Canvas& canvas, const Rect& rect) : StateScope(canvas) { canvas.SetClip(rect); }
};

// A state scope that starts by selecting a font.
class FontScope : public StateScope {
 public:
  FontScope(Canvas& canvas, const Font* font) : StateScope(canvas) { canvas.SelectFont(font); }
};

}  // namespace plat
