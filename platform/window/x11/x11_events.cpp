// Turning X events into what the window layer hears.
#include <X11/keysym.h>

#include <algorithm>
#include <array>
#include <cstdint>

// Xlib last: it defines macros.
#include "platform/window/x11/x11_display.h"

namespace plat::detail {
namespace {

// Client coordinates from the root position, with the window's position as
// last known, so that client-to-screen arithmetic gives the pointer back even
// while the window is being moved.
Point ToClient(const X11Window& window, int xRoot, int yRoot) {
  return {xRoot - window.bounds.left, yRoot - window.bounds.top};
}

Key KeyOf(XKeyEvent& event) {
  switch (XLookupKeysym(&event, 0)) {
    case XK_Return:
    case XK_KP_Enter:
      return Key::kEnter;
    case XK_Escape:
      return Key::kEscape;
    case XK_space:
      return Key::kSpace;
    case XK_Tab:
      return Key::kTab;
    case XK_F1:
      return Key::kF1;
    default:
      return Key::kOther;
  }
}

bool ButtonOf(unsigned button, MouseButton* out) {
  switch (button) {
    case Button1:
      *out = MouseButton::kLeft;
      return true;
    case Button2:
      *out = MouseButton::kMiddle;
      return true;
    case Button3:
      *out = MouseButton::kRight;
      return true;
    case 8:
      *out = MouseButton::kBack;
      return true;
    case 9:
      *out = MouseButton::kForward;
      return true;
    default:
      return false;  // the wheel
  }
}

constexpr unsigned kAnyButton = Button1Mask | Button2Mask | Button3Mask | Button4Mask | Button5Mask;

}  // namespace

bool X11Display::DispatchNativeEvents() {
  bool any = false;
  while (XPending(display) > 0) {
    XEvent event;
    XNextEvent(display, &event);
    any = true;
    Handle(event);
  }
  if (!any) return false;
  // Moves, sizes and state changes come in several events; each window hears
  // of them once per batch.
  std::vector<::Window> ids;
  for (const auto& [id, window] : windows_) ids.push_back(id);
  for (::Window id : ids) {
    X11Window* window = Find(id);
    if (!window || !window->geometryChanged) continue;
    window->geometryChanged = false;
    window->events.NativeGeometryChanged(window->bounds, window->CurrentType());
  }
  return true;
}

void X11Display::Handle(XEvent& event) {
  using Handler = void (X11Display::*)(X11Window&, XEvent&);
  static const std::array<Handler, LASTEvent> handlers = [] {
    std::array<Handler, LASTEvent> table{};
    table[MotionNotify] = &X11Display::OnMotion;
    table[EnterNotify] = &X11Display::OnEnter;
    table[LeaveNotify] = &X11Display::OnLeave;
    table[ButtonPress] = &X11Display::OnButton;
    table[ButtonRelease] = &X11Display::OnButton;
    table[KeyPress] = &X11Display::OnKey;
    table[KeyRelease] = &X11Display::OnKey;
    table[Expose] = &X11Display::OnExpose;
    table[ConfigureNotify] = &X11Display::OnConfigure;
    table[ReparentNotify] = &X11Display::OnReparent;
    table[MapNotify] = &X11Display::OnMap;
    table[UnmapNotify] = &X11Display::OnUnmap;
    table[PropertyNotify] = &X11Display::OnProperty;
    table[ClientMessage] = &X11Display::OnClientMessage;
    return table;
  }();
  if (event.type < 0 || event.type >= LASTEvent || !handlers[event.type]) return;
  if (X11Window* window = Find(event.xany.window)) (this->*handlers[event.type])(*window, event);
}

void X11Display::OnMotion(X11Window& window, XEvent& event) {
  XEvent next;
  while (XCheckTypedWindowEvent(display, window.id, MotionNotify, &next)) event = next;
  leftDown = event.xmotion.state & Button1Mask;
  window.events.NativePointerMoved(ToClient(window, event.xmotion.x_root, event.xmotion.y_root),
                                   leftDown);
}

void X11Display::OnEnter(X11Window& window, XEvent& event) {
  leftDown = event.xcrossing.state & Button1Mask;
  window.events.NativePointerMoved(ToClient(window, event.xcrossing.x_root, event.xcrossing.y_root),
                                   leftDown);
}

void X11Display::OnLeave(X11Window& window, XEvent& event) {
  // While a button is held the moves keep coming; only a free pointer leaves.
  if (event.xcrossing.state & kAnyButton) return;
  window.events.NativePointerLeft(ToClient(window, event.xcrossing.x_root, event.xcrossing.y_root));
}

void X11Display::OnButton(X11Window& window, XEvent& event) {
  const XButtonEvent& b = event.xbutton;
  MouseButton button;
  if (!ButtonOf(b.button, &button)) return;
  const bool pressed = event.type == ButtonPress;
  leftDown = b.button == Button1 ? pressed : (b.state & Button1Mask) != 0;
  const unsigned ownMask = b.button <= Button5 ? (Button1Mask << (b.button - Button1)) : 0;
  const bool allUp = !pressed && (b.state & kAnyButton & ~ownMask) == 0;
  const ::Window id = window.id;
  window.events.NativeButton(button, pressed, ToClient(window, b.x_root, b.y_root), leftDown,
                             static_cast<std::uint32_t>(b.time));
  // The handler may have destroyed the window.
  if (X11Window* still = Find(id); still && allUp) still->ButtonsReleased();
}

void X11Display::OnKey(X11Window& window, XEvent& event) {
  window.events.NativeKey(KeyOf(event.xkey), event.type == KeyPress);
}

void X11Display::OnExpose(X11Window& window, XEvent& event) {
  const XExposeEvent& e = event.xexpose;
  window.exposed = window.exposed.Union(Rect::FromSize(e.x, e.y, e.width, e.height));
  if (e.count != 0) return;  // more of the same exposure follows
  const Rect area = window.exposed;
  window.exposed = {};
  window.events.NativeExposed(area);
}

void X11Display::OnConfigure(X11Window& window, XEvent& event) {
  XEvent next;
  while (XCheckTypedWindowEvent(display, window.id, ConfigureNotify, &next)) event = next;
  const XConfigureEvent& c = event.xconfigure;
  int x = c.x;
  int y = c.y;
  if (!c.send_event && window.reparented) {
    ::Window child = 0;
    XTranslateCoordinates(display, window.id, root, 0, 0, &x, &y, &child);
  }
  const Rect bounds = Rect::FromSize(x, y, c.width, c.height);
  if (bounds == window.bounds) return;
  window.bounds = bounds;
  window.geometryChanged = true;
}

void X11Display::OnReparent(X11Window& window, XEvent& event) {
  window.reparented = event.xreparent.parent != root;
}

void X11Display::OnMap(X11Window& window, XEvent&) {
  window.Mapped(true);
}

void X11Display::OnUnmap(X11Window& window, XEvent&) {
  window.Mapped(false);
}

void X11Display::OnProperty(X11Window& window, XEvent& event) {
  if (event.xproperty.atom == atoms.netWmState || event.xproperty.atom == atoms.wmState)
    window.geometryChanged = true;
}

void X11Display::OnClientMessage(X11Window& window, XEvent& event) {
  XClientMessageEvent& m = event.xclient;
  if (m.message_type != atoms.wmProtocols) return;
  const auto protocol = static_cast<Atom>(m.data.l[0]);
  if (protocol == atoms.wmDeleteWindow) {
    window.events.NativeCloseRequested();
  } else if (protocol == atoms.netWmPing) {
    m.window = root;  // answered to say the program is alive
    XSendEvent(display, root, False, SubstructureRedirectMask | SubstructureNotifyMask, &event);
  }
}

}  // namespace plat::detail
