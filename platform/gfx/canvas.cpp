#include "platform/gfx/canvas.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace plat {
namespace {

// The source part and its destination, both cut to what can be drawn.
struct Span {
  Rect to;
  Point from;
};

std::optional<Span> Place(Point dest, const Bitmap& source, Rect part, const Rect& area) {
  const Rect inside = part.Intersect({0, 0, source.width(), source.height()});
  if (inside.IsEmpty()) return std::nullopt;
  dest.x += inside.left - part.left;
  dest.y += inside.top - part.top;
  const Rect to = Rect::FromSize(dest.x, dest.y, inside.Width(), inside.Height()).Intersect(area);
  if (to.IsEmpty()) return std::nullopt;
  return Span{to, {inside.left + to.left - dest.x, inside.top + to.top - dest.y}};
}

}  // namespace

Rect Canvas::DrawArea() const {
  const Rect whole{0, 0, target_.width(), target_.height()};
  return state_.clip ? whole.Intersect(*state_.clip) : whole;
}

void Canvas::FillRect(const Rect& rect, ColorRef colour) {
  const Rect to = rect.Intersect(DrawArea());
  const Pixel pixel = ToPixel(colour);
  for (int y = to.top; y < to.bottom; ++y) std::fill_n(target_.Row(y) + to.left, to.Width(), pixel);
}

void Canvas::Copy(Point dest, const Bitmap& source) {
  Copy(dest, source, {0, 0, source.width(), source.height()});
}

void Canvas::Copy(Point dest, const Bitmap& source, const Rect& part) {
  const auto span = Place(dest, source, part, DrawArea());
  if (!span) return;
  const auto bytes = static_cast<std::size_t>(span->to.Width()) * sizeof(Pixel);
  for (int y = 0; y < span->to.Height(); ++y) {
    std::memmove(target_.Row(span->to.top + y) + span->to.left,
                 source.Row(span->from.y + y) + span->from.x, bytes);
  }
}

void Canvas::CopyTransparent(Point dest, const Bitmap& source, ColorRef key) {
  CopyTransparent(dest, source, {0, 0, source.width(), source.height()}, key);
}

void Canvas::CopyTransparent(Point dest, const Bitmap& source, const Rect& part, ColorRef key) {
  const auto span = Place(dest, source, part, DrawArea());
  if (!span) return;
  const Pixel skip = ToPixel(key);
  for (int y = 0; y < span->to.Height(); ++y) {
    const Pixel* from = source.Row(span->from.y + y) + span->from.x;
    Pixel* to = target_.Row(span->to.top + y) + span->to.left;
    for (int x = 0; x < span->to.Width(); ++x) {
      if ((from[x] & 0xFFFFFF) != skip) to[x] = from[x];
    }
  }
}

void Canvas::Restore() {
  if (saved_.empty()) return;
  state_ = saved_.back();
  saved_.pop_back();
}

Canvas::Background Canvas::SetBackgroundMode(Background mode) {
  return std::exchange(state_.background, mode);
}

ColorRef Canvas::SetBackgroundColour(ColorRef colour) {
  return std::exchange(state_.backgroundColour, colour);
}

ColorRef Canvas::SetTextColour(ColorRef colour) {
  return std::exchange(state_.textColour, colour);
}

const Font* Canvas::SelectFont(const Font* font) {
  return std::exchange(state_.font, font);
}

void Canvas::TextOut(Point at, std::wstring_view text) {
  if (state_.background == Background::kOpaque) {
    const Size extent = TextExtent(text);
    FillRect(Rect::FromSize(at.x, at.y, extent.width, extent.height), state_.backgroundColour);
  }
  font().Draw(target_, DrawArea(), at, text, ToPixel(state_.textColour));
}

Size Canvas::TextExtent(std::wstring_view text) const {
  return {font().TextWidth(text), font().height()};
}

Size Canvas::TabbedTextExtent(std::wstring_view text) const {
  return {font().TextWidth(text, TabStop()), font().height()};
}

std::size_t Canvas::FittingLength(std::wstring_view text, int maximum, bool expandTabs) const {
  return font().FittingLength(text, maximum, expandTabs ? TabStop() : 0);
}

int Canvas::TabStop() const {
  return 8 * font().averageCharWidth();
}

}  // namespace plat
