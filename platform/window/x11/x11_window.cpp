// One frameless top-level X window.
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>
#include <vector>

// Xlib last: it defines macros.
#include <X11/extensions/shape.h>
#include "platform/window/x11/x11_display.h"

namespace plat::detail {
namespace {

constexpr long kEventMask = ExposureMask | ButtonPressMask | ButtonReleaseMask | PointerMotionMask |
                            EnterWindowMask | LeaveWindowMask | KeyPressMask | KeyReleaseMask |
                            StructureNotifyMask | PropertyChangeMask;

unsigned Side(int length) {
  return static_cast<unsigned>(std::clamp(length, 1, 32767));
}

::Window Make(X11Display& x, const Rect& bounds) {
  XSetWindowAttributes attributes{};
  attributes.background_pixmap = 0;  // no background: the back buffer paints every pixel
  attributes.border_pixel = 0;
  attributes.bit_gravity = NorthWestGravity;
  attributes.colormap = DefaultColormap(x.display, x.screen);
  attributes.event_mask = kEventMask;
  return XCreateWindow(x.display, x.root, bounds.left, bounds.top, Side(bounds.Width()),
                       Side(bounds.Height()), 0, x.depth, InputOutput, x.visual,
                       CWBackPixmap | CWBorderPixel | CWBitGravity | CWColormap | CWEventMask,
                       &attributes);
}

}  // namespace

X11Window::X11Window(X11Display& x, NativeEvents& events, const Rect& bounds, X11Window* owner)
    : events(events),
      id(Make(x, bounds)),
      bounds(bounds),
      x_(x),
      image_(x, id),
      restoreBounds_(bounds) {
  x_.Register(this);
  SetHints();
  Display* d = x_.display;
  const Atom type = owner ? x_.atoms.netWmWindowTypeDialog : x_.atoms.netWmWindowTypeNormal;
  XChangeProperty(d, id, x_.atoms.netWmWindowType, XA_ATOM, 32, PropModeReplace,
                  reinterpret_cast<const unsigned char*>(&type), 1);
  if (owner) XSetTransientForHint(d, id, owner->id);
  XDefineCursor(d, id, x_.cursors[static_cast<int>(Cursor::kArrow)]);
}

X11Window::~X11Window() {
  x_.Unregister(this);
  if (explicitGrab) XUngrabPointer(x_.display, CurrentTime);
  XDestroyWindow(x_.display, id);
  XFlush(x_.display);
}

void X11Window::SetHints() {
  Display* d = x_.display;
  // A frameless window that the task bar still lists.
  Atom protocols[] = {x_.atoms.wmDeleteWindow, x_.atoms.netWmPing};
  XSetWMProtocols(d, id, protocols, 2);
  const long motif[5] = {2 /* decorations field set */, 0, 0 /* none */, 0, 0};
  XChangeProperty(d, id, x_.atoms.motifWmHints, x_.atoms.motifWmHints, 32, PropModeReplace,
                  reinterpret_cast<const unsigned char*>(motif), 5);
  XClassHint classHint{const_cast<char*>(program_invocation_short_name),
                       const_cast<char*>("Swaymo")};
  XSetClassHint(d, id, &classHint);
  XWMHints wmHints{};
  wmHints.flags = InputHint | StateHint;
  wmHints.input = True;
  wmHints.initial_state = NormalState;
  XSetWMHints(d, id, &wmHints);
  const long pid = getpid();
  XChangeProperty(d, id, x_.atoms.netWmPid, XA_CARDINAL, 32, PropModeReplace,
                  reinterpret_cast<const unsigned char*>(&pid), 1);
  char host[HOST_NAME_MAX + 1] = {};
  if (gethostname(host, sizeof host - 1) == 0) {
    XChangeProperty(d, id, XA_WM_CLIENT_MACHINE, XA_STRING, 8, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(host), static_cast<int>(strlen(host)));
  }
  MoveResize(bounds);
}

void X11Window::SendSizeHints() {
  XSizeHints hints{};
  hints.flags = USPosition | USSize | PPosition | PSize;  // placed by the program, not the manager
  hints.x = bounds.left;
  hints.y = bounds.top;
  hints.width = static_cast<int>(Side(bounds.Width()));
  hints.height = static_cast<int>(Side(bounds.Height()));
  if (minimumSize.width > 0 && minimumSize.height > 0) {
    hints.flags |= PMinSize;
    hints.min_width = minimumSize.width;
    hints.min_height = minimumSize.height;
  }
  XSetWMNormalHints(x_.display, id, &hints);
}

void X11Window::SetMinimumSize(Size size) {
  minimumSize = size;
  SendSizeHints();
}

void X11Window::MoveResize(const Rect& to) {
  bounds = to;
  SendSizeHints();
  XMoveResizeWindow(x_.display, id, to.left, to.top, Side(to.Width()), Side(to.Height()));
}

void X11Window::SetBounds(const Rect& to) {
  if (to != bounds) MoveResize(to);
}

void X11Window::SetVisible(bool visible) {
  wantVisible_ = visible;
  if (visible) {
    XMapRaised(x_.display, id);
  } else {
    XWithdrawWindow(x_.display, id, x_.screen);
  }
  XFlush(x_.display);
}

bool X11Window::HasState(Atom state) {
  const auto states = x_.ReadLongs(id, x_.atoms.netWmState);
  return std::find(states.begin(), states.end(), state) != states.end();
}

SizeType X11Window::CurrentType() {
  if (x_.wmRunning) {
    const auto wmState = x_.ReadLongs(id, x_.atoms.wmState);
    if ((!wmState.empty() && wmState[0] == IconicState) || HasState(x_.atoms.netWmStateHidden)) {
      return SizeType::kMinimised;
    }
  } else if (ownType_ == SizeType::kMinimised) {
    return SizeType::kMinimised;
  }
  if (x_.wmMaximises) {
    return HasState(x_.atoms.netWmStateMaxVert) && HasState(x_.atoms.netWmStateMaxHorz)
               ? SizeType::kMaximised
               : SizeType::kRestored;
  }
  return ownType_ == SizeType::kMaximised ? SizeType::kMaximised : SizeType::kRestored;
}

void X11Window::Mapped(bool isMapped) {
  mapped = isMapped;
  // Without a window manager, being mapped by someone else (a second
  // instance bringing this one forward) ends a minimise.
  if (!x_.wmRunning && isMapped && ownType_ == SizeType::kMinimised) {
    ownType_ = maximisedBeforeMinimise_ ? SizeType::kMaximised : SizeType::kRestored;
  }
  geometryChanged = true;
}

void X11Window::Minimise() {
  if (x_.wmRunning) {
    XIconifyWindow(x_.display, id, x_.screen);
    XFlush(x_.display);
    return;
  }
  if (ownType_ == SizeType::kMinimised) return;
  maximisedBeforeMinimise_ = ownType_ == SizeType::kMaximised;
  ownType_ = SizeType::kMinimised;
  XUnmapWindow(x_.display, id);
  XFlush(x_.display);
  events.NativeGeometryChanged(bounds, SizeType::kMinimised);
}

void X11Window::Maximise() {
  if (x_.wmMaximises) {
    // A window that was asked to show is the manager's: it takes a request.
    // Before that the property itself is read when the window is mapped.
    if (wantVisible_) {
      x_.SendToWm(id, x_.atoms.netWmState, 1 /* add */,
                  static_cast<long>(x_.atoms.netWmStateMaxVert),
                  static_cast<long>(x_.atoms.netWmStateMaxHorz), 1);
    } else {
      const Atom states[] = {x_.atoms.netWmStateMaxVert, x_.atoms.netWmStateMaxHorz};
      XChangeProperty(x_.display, id, x_.atoms.netWmState, XA_ATOM, 32, PropModeReplace,
                      reinterpret_cast<const unsigned char*>(states), 2);
    }
    XFlush(x_.display);
    return;
  }
  const SizeType type = CurrentType();
  if (type == SizeType::kMaximised) return;
  if (type == SizeType::kRestored) restoreBounds_ = bounds;
  ownType_ = SizeType::kMaximised;
  MoveResize(x_.WorkArea());
  XFlush(x_.display);
  events.NativeGeometryChanged(bounds, CurrentType());
}

void X11Window::Restore() {
  const SizeType type = CurrentType();
  if (type == SizeType::kMinimised) {
    if (!x_.wmRunning) {
      ownType_ = maximisedBeforeMinimise_ ? SizeType::kMaximised : SizeType::kRestored;
    }
    XMapRaised(x_.display, id);
    if (x_.wmActivates) x_.SendToWm(id, x_.atoms.netActiveWindow, 1, CurrentTime);
    XFlush(x_.display);
    if (!x_.wmRunning) events.NativeGeometryChanged(bounds, CurrentType());
    return;
  }
  if (type != SizeType::kMaximised) return;
  if (x_.wmMaximises) {
    x_.SendToWm(id, x_.atoms.netWmState, 0 /* remove */,
                static_cast<long>(x_.atoms.netWmStateMaxVert),
                static_cast<long>(x_.atoms.netWmStateMaxHorz), 1);
    XFlush(x_.display);
    return;
  }
  ownType_ = SizeType::kRestored;
  MoveResize(restoreBounds_);
  XFlush(x_.display);
  events.NativeGeometryChanged(bounds, SizeType::kRestored);
}

void X11Window::Raise() {
  XRaiseWindow(x_.display, id);
  XFlush(x_.display);
}

bool X11Window::SetShape(const std::vector<Rect>* rects) {
  if (!x_.canShape) return false;
  if (!rects) {
    XShapeCombineMask(x_.display, id, ShapeBounding, 0, 0, 0, ShapeSet);
    return true;
  }
  std::vector<XRectangle> xrects;
  xrects.reserve(rects->size());
  for (const Rect& r : *rects) {
    const Rect c = r.Intersect({SHRT_MIN, SHRT_MIN, SHRT_MAX, SHRT_MAX});
    if (c.IsEmpty()) continue;
    xrects.push_back({static_cast<short>(c.left), static_cast<short>(c.top),
                      static_cast<unsigned short>(c.Width()),
                      static_cast<unsigned short>(c.Height())});
  }
  X11Display::ClearError();
  XShapeCombineRectangles(x_.display, id, ShapeBounding, 0, 0, xrects.data(),
                          static_cast<int>(xrects.size()), ShapeSet, Unsorted);
  XSync(x_.display, False);
  return X11Display::TakeError() == 0;
}

void X11Window::SetTitle(const std::string& utf8) {
  const auto* text = reinterpret_cast<const unsigned char*>(utf8.data());
  const int length = static_cast<int>(utf8.size());
  for (Atom property : {static_cast<Atom>(XA_WM_NAME), static_cast<Atom>(XA_WM_ICON_NAME),
                        x_.atoms.netWmName, x_.atoms.netWmIconName}) {
    XChangeProperty(x_.display, id, property, x_.atoms.utf8String, 8, PropModeReplace, text,
                    length);
  }
}

void X11Window::SetIcon(const Bitmap& icon) {
  if (icon.empty()) return;
  std::vector<long> data;  // width, height, then ARGB pixels, each in a long
  data.reserve(2 + static_cast<std::size_t>(icon.width()) * icon.height());
  data.push_back(icon.width());
  data.push_back(icon.height());
  for (int y = 0; y < icon.height(); ++y) {
    for (int x = 0; x < icon.width(); ++x) {
      const Pixel p = icon.At(x, y) & 0xFFFFFF;
      data.push_back(p == 0x0000FF ? 0
                                   : static_cast<long>(0xFF000000u | p));  // blue is transparent
    }
  }
  XChangeProperty(x_.display, id, x_.atoms.netWmIcon, XA_CARDINAL, 32, PropModeReplace,
                  reinterpret_cast<const unsigned char*>(data.data()),
                  static_cast<int>(data.size()));
}

void X11Window::SetNamedProperty(const std::string& name) {
  const long one = 1;
  XChangeProperty(x_.display, id, x_.Intern(name), XA_CARDINAL, 32, PropModeReplace,
                  reinterpret_cast<const unsigned char*>(&one), 1);
  XFlush(x_.display);
}

void X11Window::SetCursor(Cursor cursor) {
  XDefineCursor(x_.display, id, x_.cursors[static_cast<int>(cursor)]);
  XFlush(x_.display);
}

void X11Window::SetPointerGrab(bool grab) {
  if (grab) {
    // Only while a button is held: a grab without one would keep every other
    // program from the pointer.
    if (explicitGrab || !x_.leftDown) return;
    const unsigned mask =
        ButtonPressMask | ButtonReleaseMask | PointerMotionMask | EnterWindowMask | LeaveWindowMask;
    explicitGrab = XGrabPointer(x_.display, id, False, mask, GrabModeAsync, GrabModeAsync, 0, 0,
                                CurrentTime) == GrabSuccess;
  } else if (explicitGrab) {
    XUngrabPointer(x_.display, CurrentTime);
    explicitGrab = false;
  }
}

void X11Window::ButtonsReleased() {
  SetPointerGrab(false);
}

void X11Window::Present(const Bitmap& frame, const Rect& area) {
  image_.Put(frame, area);
}

}  // namespace plat::detail
