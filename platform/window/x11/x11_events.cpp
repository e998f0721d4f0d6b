// Turning X events into what the window layer hears.
#include <X11/keysym.h>

#include <algorithm>
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
  X11Window* window = Find(event.xany.window);
  if (!window) return;
  switch (event.type) {
    case MotionNotify: {
      XEvent next;
      while (XCheckTypedWindowEvent(display, window->id, MotionNotify, &next)) event = next;
      leftDown = event.xmotion.state & Button1Mask;
      window->events.NativePointerMoved(
          ToClient(*window, event.xmotion.x_root, event.xmotion.y_root), leftDown);
      break;
    }
    case EnterNotify:
      leftDown = event.xcrossing.state & Button1Mask;
      window->events.NativePointerMoved(
          ToClient(*window, event.xcrossing.x_root, event.xcrossing.y_root), leftDown);
      break;
    case LeaveNotify:
      // While a button is held the moves keep coming; only a free pointer leaves.
      if (!(event.xcrossing.state & kAnyButton)) {
        window->events.NativePointerLeft(
            ToClient(*window, event.xcrossing.x_root, event.xcrossing.y_root));
      }
      break;
    case ButtonPress:
    case ButtonRelease: {
      const XButtonEvent& b = event.xbutton;
      MouseButton button;
      if (!ButtonOf(b.button, &button)) break;
      const bool pressed = event.type == ButtonPress;
      leftDown = b.button == Button1 ? pressed : (b.state & Button1Mask) != 0;
      const unsigned ownMask = b.button <= Button5 ? (Button1Mask << (b.button - Button1)) : 0;
      const bool allUp = !pressed && (b.state & kAnyButton & ~ownMask) == 0;
      const ::Window id = window->id;
      window->events.NativeButton(button, pressed, ToClient(*window, b.x_root, b.y_root), leftDown,
                                  static_cast<std::uint32_t>(b.time));
      if (X11Window* still = Find(id); still && allUp) still->ButtonsReleased();
      break;
    }
    case KeyPress:
    case KeyRelease:
      window->events.NativeKey(KeyOf(event.xkey), event.type == KeyPress);
      break;
    case Expose: {
      const XExposeEvent& e = event.xexpose;
      window->exposed = window->exposed.Union(Rect::FromSize(e.x, e.y, e.width, e.height));
      if (e.count == 0) {
        const Rect area = window->exposed;
        window->exposed = {};
        window->events.NativeExposed(area);
      }
      break;
    }
    case ConfigureNotify: {
      XEvent next;
      while (XCheckTypedWindowEvent(display, window->id, ConfigureNotify, &next)) event = next;
      const XConfigureEvent& c = event.xconfigure;
      int x = c.x;
      int y = c.y;
      if (!c.send_event && window->reparented) {
        ::Window child = 0;
        XTranslateCoordinates(display, window->id, root, 0, 0, &x, &y, &child);
      }
      const Rect bounds = Rect::FromSize(x, y, c.width, c.height);
      if (bounds != window->bounds) {
        window->bounds = bounds;
        window->geometryChanged = true;
      }
      break;
    }
    case ReparentNotify:
      window->reparented = event.xreparent.parent != root;
      break;
    case MapNotify:
      window->Mapped(true);
      break;
    case UnmapNotify:
      window->Mapped(false);
      break;
    case PropertyNotify:
      if (event.xproperty.atom == atoms.netWmState || event.xproperty.atom == atoms.wmState) {
        window->geometryChanged = true;
      }
      break;
    case ClientMessage: {
      XClientMessageEvent& m = event.xclient;
      if (m.message_type != atoms.wmProtocols) break;
      const auto protocol = static_cast<Atom>(m.data.l[0]);
      if (protocol == atoms.wmDeleteWindow) {
        window->events.NativeCloseRequested();
      } else if (protocol == atoms.netWmPing) {
        m.window = root;  // answered to say the program is alive
        XSendEvent(display, root, False, SubstructureRedirectMask | SubstructureNotifyMask, &event);
      }
      break;
    }
    default:
      break;
  }
}

}  // namespace plat::detail
