#include "platform/window/headless/headless.h"

#include "platform/window/headless/headless_backend.h"
#include "platform/window/window_system.h"

namespace plat::headless {
namespace {

detail::HeadlessBackend* Backend() {
  detail::WindowSystem* system = detail::System();
  return system ? dynamic_cast<detail::HeadlessBackend*>(system->backend.get()) : nullptr;
}

detail::HeadlessWindow* Native(const Window& window) {
  return dynamic_cast<detail::HeadlessWindow*>(WindowAccess::Native(window));
}

// Queues a step of the simulated user; it runs with the window's screen
// position as it is then.
template <typename Step>
void Queue(const Window& window, Step step) {
  const Window* w = &window;
  window.ref().PostCall([w, step] {
    if (detail::HeadlessBackend* backend = Backend()) step(*backend, *w);
  });
}

}  // namespace

void SetScreen(Size size, const Rect& workArea) {
  if (detail::HeadlessBackend* backend = Backend()) backend->SetScreen(size, workArea);
}

void RefuseShapes(bool refused) {
  if (detail::HeadlessBackend* backend = Backend()) backend->SetShapesRefused(refused);
}

void MovePointer(const Window& window, Point at) {
  Queue(window,
        [at](detail::HeadlessBackend& b, const Window& w) { b.PointerTo(w.ClientToScreen(at)); });
}

void Press(const Window& window, Point at, MouseButton button, std::uint32_t timeMs) {
  Queue(window, [=](detail::HeadlessBackend& b, const Window& w) {
    b.Button(button, true, w.ClientToScreen(at), timeMs);
  });
}

void Release(const Window& window, Point at, MouseButton button, std::uint32_t timeMs) {
  Queue(window, [=](detail::HeadlessBackend& b, const Window& w) {
    b.Button(button, false, w.ClientToScreen(at), timeMs);
  });
}

void Click(const Window& window, Point at) {
  const std::uint32_t now = NowMs();
  Press(window, at, MouseButton::kLeft, now);
  Release(window, at, MouseButton::kLeft, now);
}

void DoubleClick(const Window& window, Point at) {
  const std::uint32_t now = NowMs();
  for (int i = 0; i < 2; ++i) {
    Press(window, at, MouseButton::kLeft, now);
    Release(window, at, MouseButton::kLeft, now);
  }
}

void PressKey(const Window& window, Key key) {
  Queue(window, [key](detail::HeadlessBackend&, const Window& w) {
    if (Native(w)) Native(w)->events.NativeKey(key, true);
    if (Native(w)) Native(w)->events.NativeKey(key, false);
  });
}

void RequestClose(const Window& window) {
  Queue(window, [](detail::HeadlessBackend&, const Window& w) {
    if (detail::HeadlessWindow* native = Native(w)) native->events.NativeCloseRequested();
  });
}

Bitmap Screenshot() {
  detail::HeadlessBackend* backend = Backend();
  if (!backend) return {};
  Bitmap screen(backend->screenSize().width, backend->screenSize().height);
  const Rect screenRect{0, 0, screen.width(), screen.height()};
  for (const detail::HeadlessWindow* native : backend->zOrder()) {  // bottom first
    if (!native->IsOnScreen()) continue;
    for (const Window* window : detail::System()->windows) {
      if (WindowAccess::Native(*window) != native) continue;
      const Bitmap& frame = window->frame();
      const Rect whole{0, 0, frame.width(), frame.height()};
      const std::vector<Rect> parts = native->shape() ? *native->shape() : std::vector<Rect>{whole};
      const Point at{native->bounds().left, native->bounds().top};
      for (const Rect& part : parts) {
        const Rect r = part.Intersect(whole).Offset(at.x, at.y).Intersect(screenRect);
        for (int y = r.top; y < r.bottom; ++y) {
          for (int x = r.left; x < r.right; ++x) screen.Set(x, y, frame.At(x - at.x, y - at.y));
        }
      }
    }
  }
  return screen;
}

bool IsOnTop(const Window& window) {
  detail::HeadlessBackend* backend = Backend();
  if (!backend) return false;
  const auto& z = backend->zOrder();
  for (auto it = z.rbegin(); it != z.rend(); ++it) {
    if ((*it)->IsOnScreen()) return *it == Native(window);
  }
  return false;
}

bool IsOnScreen(const Window& window) {
  const detail::HeadlessWindow* native = Native(window);
  return native && native->IsOnScreen();
}

bool HasNamedProperty(const Window& window, const std::string& name) {
  const detail::HeadlessWindow* native = Native(window);
  return native && native->HasProperty(name);
}

Size MinimumSize(const Window& window) {
  const detail::HeadlessWindow* native = Native(window);
  return native ? native->minimumSize() : Size{};
}

const Bitmap* Icon(const Window& window) {
  const detail::HeadlessWindow* native = Native(window);
  return native && !native->icon().empty() ? &native->icon() : nullptr;
}

}  // namespace plat::headless

namespace plat::headless {

std::vector<const Window*> Windows() {
  detail::WindowSystem* system = detail::System();
  if (!system) return {};
  return {system->windows.begin(), system->windows.end()};
}

}  // namespace plat::headless
