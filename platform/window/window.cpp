#include "platform/window/window.h"

#include <algorithm>

#include "platform/window/control.h"
#include "platform/window/display.h"
#include "platform/window/window_system.h"

namespace plat {

namespace detail {

// Passes what the backend reports on to the window's own handlers.
class WindowEvents final : public NativeEvents {
 public:
  explicit WindowEvents(Window& window) : window_(window) {}
  void NativePointerMoved(Point at, bool leftDown) override {
    window_.NativePointerMoved(at, leftDown);
  }
  void NativeButton(MouseButton button, bool pressed, Point at, bool leftDown,
                    std::uint32_t timeMs) override {
    window_.NativeButton(button, pressed, at, leftDown, timeMs);
  }
  void NativePointerLeft(Point at) override { window_.NativePointerLeft(at); }
  void NativeKey(Key key, bool pressed) override { window_.NativeKey(key, pressed); }
  void NativeExposed(const Rect& area) override { window_.NativeExposed(area); }
  void NativeGeometryChanged(const Rect& bounds, SizeType type) override {
    window_.NativeGeometryChanged(bounds, type);
  }
  void NativeCloseRequested() override { window_.NativeCloseRequested(); }

 private:
  Window& window_;
};

}  // namespace detail

Window::Window() : events_(std::make_unique<detail::WindowEvents>(*this)) {}

Window::~Window() {
  Destroy();
}

bool Window::Create(const Rect& bounds, Window* owner) {
  detail::WindowSystem* system = detail::System();
  if (!system || native_ || !IsWindowThread()) return false;
  if (owner && !owner->IsCreated()) owner = nullptr;
  auto box = std::make_shared<detail::Mailbox>();
  box->queue = system->queue;
  box->window = this;
  auto native =
      system->backend->CreateNativeWindow(*events_, bounds, owner ? owner->native_.get() : nullptr);
  if (!native) return false;
  box_ = std::move(box);
  native_ = std::move(native);
  if (minimumSize_.width > 0 && minimumSize_.height > 0) native_->SetMinimumSize(minimumSize_);
  owner_ = owner;
  bounds_ = bounds;
  sizeType_ = SizeType::kRestored;
  visible_ = false;
  enabled_ = true;
  cursor_ = Cursor::kArrow;
  frame_ = Bitmap(bounds.Width(), bounds.Height());
  system->windows.push_back(this);
  Invalidate(true);
  return true;
}

void Window::Destroy() {
  detail::WindowSystem* system = detail::System();
  if (!native_ || !system) return;
  ReleaseCaptureWithin(false);
  system->clickTarget = nullptr;
  for (Control* control : controls_) control->parent_ = nullptr;
  controls_.clear();
  if (modal_) {
    if (!endResult_) endResult_ = -1;
    LeaveModal();
  }
  for (Window* window : system->windows) {
    if (window->owner_ == this) window->owner_ = nullptr;
    if (window->modalChild_ == this) window->modalChild_ = nullptr;
  }
  system->queue->Retire(*box_);
  std::erase(system->windows, this);
  native_.reset();
  visible_ = false;
}

bool Window::Post(unsigned message, std::intptr_t a, std::intptr_t b) const {
  return ref().Post(message, a, b);
}

std::intptr_t Window::Send(unsigned message, std::intptr_t a, std::intptr_t b) const {
  return ref().Send(message, a, b);
}

int Window::RunModal() {
  if (!native_ || modal_ || !IsWindowThread()) return -1;
  if (endResult_) {
    const int result = *endResult_;
    endResult_.reset();
    return result;
  }
  modal_ = true;
  ownerDisabled_ = false;
  if (owner_) {
    owner_->modalChild_ = this;
    if (owner_->enabled_) {
      owner_->Enable(false);
      ownerDisabled_ = true;
    }
  }
  Show();
  Raise();
  while (!endResult_) {
    if (!detail::DispatchOne()) detail::WaitForWork(std::nullopt);
  }
  const int result = *endResult_;
  endResult_.reset();
  LeaveModal();  // the owner comes back before this one goes, so it gets the focus
  Hide();
  return result;
}

void Window::LeaveModal() {
  if (!modal_) return;
  modal_ = false;
  if (owner_) {
    if (owner_->modalChild_ == this) owner_->modalChild_ = nullptr;
    if (ownerDisabled_) owner_->Enable(true);
  }
  ownerDisabled_ = false;
}

void Window::EndDialog(int result) {
  endResult_ = result;
}

void Window::SetBounds(const Rect& bounds) {
  if (!native_) return;
  native_->SetBounds(bounds);
  ApplyGeometry(bounds, sizeType_);
}

void Window::Move(Point topLeft) {
  SetBounds(Rect::FromSize(topLeft.x, topLeft.y, bounds_.Width(), bounds_.Height()));
}

void Window::Resize(Size size) {
  SetBounds(Rect::FromSize(bounds_.left, bounds_.top, size.width, size.height));
}

void Window::ApplyGeometry(const Rect& bounds, SizeType type) {
  const Rect old = bounds_;
  const SizeType oldType = sizeType_;
  bounds_ = bounds;
  sizeType_ = type;
  const bool resized = old.Width() != bounds.Width() || old.Height() != bounds.Height();
  if (resized) {
    Bitmap frame(bounds.Width(), bounds.Height());
    const int w = std::min(frame.width(), frame_.width());
    for (int y = 0; y < std::min(frame.height(), frame_.height()); ++y) {
      std::copy_n(frame_.Row(y), w, frame.Row(y));
    }
    frame_ = std::move(frame);
    Invalidate(true);
  }
  if (type != oldType) {
    if (type == SizeType::kMinimised) ReleaseCaptureWithin(true);
    if (oldType == SizeType::kMinimised) Invalidate(true);
  }
  const auto box = box_;
  if (resized || type != oldType) OnSize(type, {bounds.Width(), bounds.Height()});
  if (box->alive && (old.left != bounds.left || old.top != bounds.top)) {
    OnMove({bounds.left, bounds.top});
  }
}

void Window::Show() {
  if (!native_ || visible_) return;
  visible_ = true;
  Invalidate(true);
  PaintIfDirty();  // the first picture is ready before the window appears
  native_->SetVisible(true);
}

void Window::Hide() {
  if (!native_ || !visible_) return;
  visible_ = false;
  ReleaseCaptureWithin(true);
  native_->SetVisible(false);
}

void Window::Minimise() {
  if (native_) native_->Minimise();
}

void Window::Maximise() {
  if (native_) native_->Maximise();
}

void Window::Restore() {
  if (native_) native_->Restore();
}

void Window::Raise() {
  if (native_) native_->Raise();
}

void Window::Enable(bool enable) {
  if (enabled_ == enable) return;
  enabled_ = enable;
  if (!enable) ReleaseCaptureWithin(true);
}

bool Window::SetShape(std::vector<Rect> rects) {
  if (!native_) return false;
  std::optional<std::vector<Rect>> previous = std::move(shape_);
  shape_ = std::move(rects);
  if (native_->SetShape(&*shape_)) return true;
  shape_ = std::move(previous);
  return false;
}

void Window::ClearShape() {
  if (!native_) return;
  shape_.reset();
  native_->SetShape(nullptr);
}

bool Window::InShape(Point client) const {
  if (!ClientRect().Contains(client)) return false;
  if (!shape_) return true;
  return std::any_of(shape_->begin(), shape_->end(),
                     [client](const Rect& r) { return r.Contains(client); });
}

void Window::SetTitle(const std::string& utf8) {
  title_ = utf8;
  if (native_) native_->SetTitle(utf8);
}

void Window::SetMinimumSizeHint(Size size) {
  minimumSize_ = size;
  if (native_) native_->SetMinimumSize(size);
}

void Window::SetIcon(const Bitmap& icon) {
  if (native_) native_->SetIcon(icon);
}

void Window::SetNamedProperty(const std::string& name) {
  if (native_) native_->SetNamedProperty(name);
}

void Window::SetSystemMenu(const std::string& restoreUtf8, const std::string& minimiseUtf8) {
  if (native_) native_->SetSystemMenu(restoreUtf8, minimiseUtf8);
}

void Window::Focus() {
  if (native_) native_->Focus();
}

void Window::SetCursor(Cursor cursor) {
  if (cursor_ == cursor) return;
  cursor_ = cursor;
  if (native_) native_->SetCursor(cursor);
}

Control* Window::FindControl(int id) const {
  for (Control* control : controls_) {
    if (control->id() == id) return control;
  }
  return nullptr;
}

void Window::OnEraseBackground(Bitmap& frame, const Rect& area) {
  constexpr Pixel kDialogGrey = 0xF0F0F0;
  const Rect r = area.Intersect({0, 0, frame.width(), frame.height()});
  for (int y = r.top; y < r.bottom; ++y)
    std::fill(frame.Row(y) + r.left, frame.Row(y) + r.right, kDialogGrey);
}

void Window::OnClose() {
  if (modal_) {
    EndDialog(2);
  } else {
    Hide();
  }
}

}  // namespace plat
