// Painting: the back buffer is composed from the window's handlers and its
// controls, then shown.
#include <algorithm>

#include "platform/window/control.h"
#include "platform/window/window.h"
#include "platform/window/window_system.h"

namespace plat {
namespace {

// Copies the part `area` of `from` (at from's origin `fromAt`) into `to` (at `toAt`).
void CopyArea(const Bitmap& from, Point fromAt, Bitmap& to, Point toAt, const Rect& area) {
  for (int y = area.top; y < area.bottom; ++y) {
    const Pixel* source = from.Row(y - fromAt.y) + (area.left - fromAt.x);
    std::copy_n(source, area.Width(), to.Row(y - toAt.y) + (area.left - toAt.x));
  }
}

}  // namespace

void Window::Invalidate(bool erase) {
  if (box_) box_->queue->Invalidate(*box_, std::nullopt, erase);
}

void Window::InvalidateRect(const Rect& area, bool erase) {
  if (box_) box_->queue->Invalidate(*box_, area, erase);
}

void Window::UpdateNow() {
  PaintIfDirty();
}

bool Window::PaintIfDirty() {
  if (!native_ || !visible_ || sizeType_ == SizeType::kMinimised || painting_) return false;
  const bool controlDirty =
      std::any_of(controls_.begin(), controls_.end(), [](Control* c) { return c->dirty_.load(); });
  const detail::DirtyArea dirty = box_->queue->TakeDirty(*box_);
  if (!dirty.dirty && !controlDirty) return false;

  painting_ = true;
  const Rect client = ClientRect();
  const Rect area = dirty.all ? client : dirty.rect.Intersect(client);
  if (!area.IsEmpty()) {
    if (dirty.erase) OnEraseBackground(frame_, area);
    OnPaint(frame_, area);
  }
  Rect shown = area;
  for (std::size_t i = 0; i < controls_.size(); ++i) {
    Control& control = *controls_[i];
    const bool own = control.dirty_.exchange(false);
    if (!control.visible_) continue;
    const Rect r = control.bounds_.Intersect(client);
    if (r.IsEmpty() || (!own && r.Intersect(area).IsEmpty())) continue;
    PaintControl(control);
    shown = shown.Union(r);
  }
  painting_ = false;
  if (!shown.IsEmpty()) native_->Present(frame_, shown);
  return true;
}

void Window::PaintControl(Control& control) {
  const Rect r = control.bounds_.Intersect(ClientRect());
  if (r.IsEmpty()) return;
  const Point at{control.bounds_.left, control.bounds_.top};
  Bitmap face(control.bounds_.Width(), control.bounds_.Height());
  CopyArea(frame_, {0, 0}, face, at, r);
  control.OnPaint(face);
  CopyArea(face, at, frame_, {0, 0}, r);
}

}  // namespace plat
