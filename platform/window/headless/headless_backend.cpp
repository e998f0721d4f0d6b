#include "platform/window/headless/headless_backend.h"

#include <algorithm>

namespace plat::detail {

HeadlessWindow::HeadlessWindow(HeadlessBackend& backend, NativeEvents& events, const Rect& bounds,
                               HeadlessWindow* owner)
    : events(events), owner(owner), backend_(backend), bounds_(bounds), restoreBounds_(bounds) {
  backend_.zOrder_.push_back(this);
}

HeadlessWindow::~HeadlessWindow() {
  std::erase(backend_.zOrder_, this);
  if (backend_.grab_ == this) {
    backend_.grab_ = nullptr;
    backend_.explicitGrab_ = false;
  }
  if (backend_.inside_ == this) backend_.inside_ = nullptr;
}

void HeadlessWindow::SetVisible(bool visible) {
  visible_ = visible;
  if (visible) {
    backend_.ToTop(this);
  } else if (backend_.grab_ == this) {
    backend_.grab_ = nullptr;
    backend_.explicitGrab_ = false;
  }
}

void HeadlessWindow::Report() {
  events.NativeGeometryChanged(bounds_, type_);
}

void HeadlessWindow::Minimise() {
  if (type_ == SizeType::kMinimised) return;
  maximisedBeforeMinimise_ = type_ == SizeType::kMaximised;
  type_ = SizeType::kMinimised;
  if (backend_.grab_ == this) backend_.grab_ = nullptr;
  Report();
}

void HeadlessWindow::Maximise() {
  if (type_ == SizeType::kMaximised) return;
  if (type_ == SizeType::kRestored) restoreBounds_ = bounds_;
  bounds_ = backend_.workArea_;
  type_ = SizeType::kMaximised;
  Report();
}

void HeadlessWindow::Restore() {
  if (type_ == SizeType::kMinimised) {
    type_ = maximisedBeforeMinimise_ ? SizeType::kMaximised : SizeType::kRestored;
    backend_.ToTop(this);
  } else if (type_ == SizeType::kMaximised) {
    bounds_ = restoreBounds_;
    type_ = SizeType::kRestored;
  } else {
    return;
  }
  Report();
}

void HeadlessWindow::Raise() {
  backend_.ToTop(this);
}

bool HeadlessWindow::SetShape(const std::vector<Rect>* rects) {
  if (backend_.shapesRefused()) return false;
  if (rects) {
    shape_ = *rects;
  } else {
    shape_.reset();
  }
  return true;
}

void HeadlessWindow::SetPointerGrab(bool grab) {
  if (grab && backend_.leftDown_) {
    backend_.grab_ = this;
    backend_.explicitGrab_ = true;
  } else if (!grab && backend_.explicitGrab_ && backend_.grab_ == this) {
    backend_.grab_ = nullptr;
    backend_.explicitGrab_ = false;
  }
}

bool HeadlessWindow::Covers(Point screen) const {
  if (!IsOnScreen() || !bounds_.Contains(screen)) return false;
  if (!shape_) return true;
  const Point p = ToClient(screen);
  return std::any_of(shape_->begin(), shape_->end(), [p](const Rect& r) { return r.Contains(p); });
}

std::unique_ptr<NativeWindow> HeadlessBackend::CreateNativeWindow(NativeEvents& events,
                                                                  const Rect& bounds,
                                                                  NativeWindow* owner) {
  return std::make_unique<HeadlessWindow>(*this, events, bounds,
                                          static_cast<HeadlessWindow*>(owner));
}

void HeadlessBackend::SetScreen(Size size, const Rect& workArea) {
  screen_ = size;
  workArea_ = workArea;
}

bool HeadlessBackend::Exists(const HeadlessWindow* window) const {
  return std::find(zOrder_.begin(), zOrder_.end(), window) != zOrder_.end();
}

// Raises a window and, above it, the windows it owns.
void HeadlessBackend::ToTop(HeadlessWindow* window) {
  std::erase(zOrder_, window);
  zOrder_.push_back(window);
  const std::vector<HeadlessWindow*> all = zOrder_;
  for (HeadlessWindow* other : all) {
    if (other->owner == window) ToTop(other);
  }
}

HeadlessWindow* HeadlessBackend::TopmostAt(Point screen) const {
  for (auto it = zOrder_.rbegin(); it != zOrder_.rend(); ++it) {
    if ((*it)->Covers(screen)) return *it;
  }
  return nullptr;
}

bool HeadlessBackend::RaiseWindowWithProperty(const std::string& name) {
  for (auto it = zOrder_.rbegin(); it != zOrder_.rend(); ++it) {
    HeadlessWindow* window = *it;
    if (!window->HasProperty(name)) continue;
    window->Restore();
    if (Exists(window)) ToTop(window);
    return true;
  }
  return false;
}

void HeadlessBackend::PointerTo(Point screen) {
  pointer_ = screen;
  HeadlessWindow* under = TopmostAt(screen);
  if (!grab_ && inside_ && inside_ != under) {
    HeadlessWindow* left = inside_;
    inside_ = under;
    left->events.NativePointerLeft(left->ToClient(screen));
  }
  if (!grab_) inside_ = under;
  HeadlessWindow* target = grab_ ? grab_ : under;
  if (target && Exists(target))
    target->events.NativePointerMoved(target->ToClient(screen), leftDown_);
}

void HeadlessBackend::Button(MouseButton button, bool pressed, Point screen, std::uint32_t timeMs) {
  if (screen != pointer_) PointerTo(screen);
  HeadlessWindow* target = grab_ ? grab_ : TopmostAt(screen);
  const bool left = button == MouseButton::kLeft;
  if (left) leftDown_ = pressed;
  if (left && pressed && !grab_) grab_ = target;  // the implicit grab of a press
  HeadlessWindow* grabbed = nullptr;
  if (left && !pressed) {
    grabbed = grab_;
    grab_ = nullptr;
    explicitGrab_ = false;
  }
  if (target)
    target->events.NativeButton(button, pressed, target->ToClient(screen), leftDown_, timeMs);
  if (grabbed && Exists(grabbed)) {
    HeadlessWindow* under = TopmostAt(pointer_);
    inside_ = under;
    if (under != grabbed) grabbed->events.NativePointerLeft(grabbed->ToClient(pointer_));
  }
}

std::unique_ptr<Backend> CreateHeadlessBackend() {
  return std::make_unique<HeadlessBackend>();
}

}  // namespace plat::detail
