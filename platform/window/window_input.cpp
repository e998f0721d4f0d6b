// Mouse and keyboard input of a window: routing to the captor, a control or
// the window itself, double-click synthesis, capture changes.
#include <cstdlib>

#include "platform/window/control.h"
#include "platform/window/window.h"
#include "platform/window/window_system.h"

namespace plat {

enum DeliveryKind { kMove, kDown, kUp, kDoubleClick };

struct Window::Target {
  Window* window = nullptr;
  Control* control = nullptr;
};

Window::Target Window::RouteMouse(Point at) {
  detail::WindowSystem* system = detail::System();
  if (system->captureWindow) return {system->captureWindow, system->captureControl};
  if (!InShape(at)) return {};
  for (auto it = controls_.rbegin(); it != controls_.rend(); ++it) {
    Control* control = *it;
    if (!control->visible_ || !control->bounds_.Contains(at)) continue;
    if (!control->enabled_) return {};  // a disabled control swallows the input
    return {this, control};
  }
  return {this, nullptr};
}

void Window::Deliver(const Target& target, int kind, Point screen, bool leftDown) {
  MouseEvent event{target.window->ScreenToClient(screen), leftDown};
  if (Control* control = target.control) {
    event.at.x -= control->bounds_.left;
    event.at.y -= control->bounds_.top;
    switch (kind) {
      case kMove:
        control->OnMouseMove(event);
        break;
      case kDown:
        control->OnLeftDown(event);
        break;
      case kUp:
        control->OnLeftUp(event);
        break;
      case kDoubleClick:
        control->OnLeftDoubleClick(event);
        break;
    }
    return;
  }
  Window* window = target.window;
  switch (kind) {
    case kMove:
      window->OnMouseMove(event);
      break;
    case kDown:
      window->OnLeftDown(event);
      break;
    case kUp:
      window->OnLeftUp(event);
      break;
    case kDoubleClick:
      window->OnLeftDoubleClick(event);
      break;
  }
}

// Input for a disabled window is dropped; its modal child comes forward.
bool Window::DropInput() {
  if (enabled_) return false;
  if (modalChild_) modalChild_->Raise();
  return true;
}

void Window::NativePointerMoved(Point at, bool leftDown) {
  const Target target = RouteMouse(at);
  if (!target.window || target.window->DropInput()) return;
  if (!detail::System()->captureWindow) SetCursor(Cursor::kArrow);
  Deliver(target, kMove, ClientToScreen(at), leftDown);
}

void Window::NativeButton(MouseButton button, bool pressed, Point at, bool leftDown,
                          std::uint32_t timeMs) {
  const Target target = RouteMouse(at);
  if (!target.window || target.window->DropInput()) return;
  const Point screen = ClientToScreen(at);
  if (button == MouseButton::kLeft) {
    if (!pressed) {
      Deliver(target, kUp, screen, leftDown);
      return;
    }
    detail::WindowSystem* system = detail::System();
    const void* id = target.control ? static_cast<const void*>(target.control) : target.window;
    const bool isDouble = system->clickTarget == id &&
                          std::abs(screen.x - system->clickAt.x) <= kDoubleClickDistance &&
                          std::abs(screen.y - system->clickAt.y) <= kDoubleClickDistance &&
                          timeMs - system->clickTime <= kDoubleClickMs;
    if (isDouble) {
      system->clickTarget = nullptr;  // a third press starts again
    } else {
      system->clickTarget = id;
      system->clickAt = screen;
      system->clickTime = timeMs;
    }
    Deliver(target, isDouble ? kDoubleClick : kDown, screen, leftDown);
  } else if (pressed && !target.control &&
             (button == MouseButton::kBack || button == MouseButton::kForward)) {
    target.window->OnExtraButtonDown({target.window->ScreenToClient(screen), leftDown}, button);
  }
}

void Window::NativePointerLeft(Point at) {
  detail::WindowSystem* system = detail::System();
  if (!system->captureWindow) return;
  // The captor hears where the pointer went, so a hover can end.
  Deliver({system->captureWindow, system->captureControl}, kMove, ClientToScreen(at), false);
}

void Window::NativeKey(Key key, bool pressed) {
  if (DropInput()) return;
  if (!pressed) {
    OnKeyUp(key);
  } else if (!OnKeyDown(key) && key == Key::kF1) {
    OnHelp();
  }
}

void Window::NativeCloseRequested() {
  if (!DropInput()) OnClose();
}

void Window::NativeExposed(const Rect& area) {
  const Rect r = area.Intersect(ClientRect());
  if (native_ && !r.IsEmpty()) native_->Present(frame_, r);
}

void Window::NativeGeometryChanged(const Rect& bounds, SizeType type) {
  ApplyGeometry(bounds, type);
}

void Window::ChangeCapture(Window* window, Control* control, bool notify) {
  detail::WindowSystem* system = detail::System();
  if (!system) return;
  Window* oldWindow = system->captureWindow;
  Control* oldControl = system->captureControl;
  if (oldWindow == window && oldControl == control) return;
  system->captureWindow = window;
  system->captureControl = control;
  if (oldWindow != window) {
    if (oldWindow && oldWindow->native_) oldWindow->native_->SetPointerGrab(false);
    if (window && window->native_) window->native_->SetPointerGrab(true);
  }
  if (!notify) return;
  if (oldControl) {
    oldControl->OnCaptureLost();
  } else if (oldWindow) {
    oldWindow->OnCaptureLost();
  }
}

void Window::SetCapture() {
  if (native_) ChangeCapture(this, nullptr, true);
}

void Window::ReleaseCapture() {
  if (HasCapture()) ChangeCapture(nullptr, nullptr, true);
}

bool Window::HasCapture() const {
  const detail::WindowSystem* system = detail::System();
  return system && system->captureWindow == this && !system->captureControl;
}

void Window::ReleaseCaptureWithin(bool notify) {
  const detail::WindowSystem* system = detail::System();
  if (system && system->captureWindow == this) ChangeCapture(nullptr, nullptr, notify);
}

}  // namespace plat
