#include "platform/window/control.h"

#include <algorithm>

#include "platform/window/window.h"
#include "platform/window/window_system.h"

namespace plat {

Control::~Control() {
  Destroy();
}

bool Control::Create(Window& parent, int id, const Rect& bounds) {
  if (parent_ || !parent.IsCreated()) return false;
  parent_ = &parent;
  id_ = id;
  bounds_ = bounds;
  visible_ = true;
  enabled_ = true;
  parent.controls_.push_back(this);
  Invalidate();
  return true;
}

void Control::Destroy() {
  if (!parent_) return;
  if (detail::WindowSystem* system = detail::System()) {
    if (system->captureControl == this) Window::ChangeCapture(nullptr, nullptr, false);
    if (system->clickTarget == this) system->clickTarget = nullptr;
  }
  std::erase(parent_->controls_, this);
  parent_->InvalidateRect(bounds_, true);
  parent_ = nullptr;
}

void Control::SetBounds(const Rect& bounds) {
  if (bounds == bounds_) return;
  if (parent_ && visible_) parent_->InvalidateRect(bounds_, true);
  bounds_ = bounds;
  Invalidate();
}

void Control::Resize(Size size) {
  SetBounds(Rect::FromSize(bounds_.left, bounds_.top, size.width, size.height));
}

void Control::Show(bool show) {
  if (visible_ == show) return;
  visible_ = show;
  if (show) {
    Invalidate();
    return;
  }
  ReleaseCapture();
  if (parent_) parent_->InvalidateRect(bounds_, true);
}

void Control::Enable(bool enable) {
  if (enabled_ == enable) return;
  enabled_ = enable;
  if (!enable) ReleaseCapture();
  Invalidate();
}

void Control::Invalidate() {
  dirty_ = true;
  if (Window* parent = parent_) parent->InvalidateRect({}, false);  // wakes the loop
}

void Control::UpdateNow() {
  if (!parent_) return;
  Window& parent = *parent_;
  if (!parent.native_ || !parent.visible_ || parent.sizeType_ == SizeType::kMinimised ||
      !visible_) {
    return;
  }
  dirty_ = false;
  parent.PaintControl(*this);
  const Rect shown = bounds_.Intersect(parent.ClientRect());
  if (!shown.IsEmpty()) parent.native_->Present(parent.frame_, shown);
}

void Control::SetCapture() {
  if (parent_ && parent_->IsCreated()) Window::ChangeCapture(parent_, this, true);
}

void Control::ReleaseCapture() {
  if (HasCapture()) Window::ChangeCapture(nullptr, nullptr, true);
}

bool Control::HasCapture() const {
  const detail::WindowSystem* system = detail::System();
  return system && system->captureControl == this;
}

void Control::NotifyParent(int notification) {
  if (parent_) parent_->OnCommand(id_, notification);
}

}  // namespace plat
