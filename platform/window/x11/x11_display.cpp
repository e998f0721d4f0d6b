#include <bit>
#include <cstdlib>

#include "platform/window/display.h"
#include "platform/window/screen_backend.h"
// Xlib last: it defines macros.
#include <X11/cursorfont.h>
#include <X11/extensions/shape.h>
#include "platform/window/x11/x11_display.h"

namespace plat::detail {
namespace {

thread_local int tLastError = 0;

int CountError(::Display*, XErrorEvent* event) {
  tLastError = event->error_code;
  return 0;
}

// 32-bit pixels the server reads exactly as a Bitmap stores them.
bool IsRgb32(::Display* display, Visual* visual, int depth) {
  if (visual->red_mask != 0xFF0000 || visual->green_mask != 0xFF00 || visual->blue_mask != 0xFF) {
    return false;
  }
  if (std::endian::native != std::endian::little || ImageByteOrder(display) != LSBFirst)
    return false;
  int count = 0;
  XPixmapFormatValues* formats = XListPixmapFormats(display, &count);
  bool ok = false;
  for (int i = 0; i < count; ++i) {
    if (formats[i].depth == depth) ok = formats[i].bits_per_pixel == 32;
  }
  if (formats) XFree(formats);
  return ok;
}

}  // namespace

void X11Display::ClearError() {
  tLastError = 0;
}

int X11Display::TakeError() {
  const int error = tLastError;
  tLastError = 0;
  return error;
}

std::unique_ptr<X11Display> X11Display::Open(std::string* error) {
  const char* name = std::getenv("DISPLAY");
  if (!name || !*name) {
    if (error) *error = "no X display: DISPLAY is not set";
    return nullptr;
  }
  ::Display* display = XOpenDisplay(nullptr);
  if (!display) {
    if (error) *error = std::string("cannot open the X display \"") + name + "\"";
    return nullptr;
  }
  XSetErrorHandler(CountError);
  return std::unique_ptr<X11Display>(new X11Display(display));
}

X11Display::X11Display(::Display* d)
    : display(d),
      screen(DefaultScreen(d)),
      root(RootWindow(d, DefaultScreen(d))),
      visual(DefaultVisual(d, DefaultScreen(d))),
      depth(DefaultDepth(d, DefaultScreen(d))) {
  X11Atoms& a = atoms;
  const auto intern = [this](const char* n) { return XInternAtom(display, n, False); };
  a.wmProtocols = intern("WM_PROTOCOLS");
  a.wmDeleteWindow = intern("WM_DELETE_WINDOW");
  a.wmState = intern("WM_STATE");
  a.wmChangeState = intern("WM_CHANGE_STATE");
  a.utf8String = intern("UTF8_STRING");
  a.netSupported = intern("_NET_SUPPORTED");
  a.netSupportingWmCheck = intern("_NET_SUPPORTING_WM_CHECK");
  a.netWorkarea = intern("_NET_WORKAREA");
  a.netCurrentDesktop = intern("_NET_CURRENT_DESKTOP");
  a.netActiveWindow = intern("_NET_ACTIVE_WINDOW");
  a.netWmName = intern("_NET_WM_NAME");
  a.netWmIconName = intern("_NET_WM_ICON_NAME");
  a.netWmIcon = intern("_NET_WM_ICON");
  a.netWmPid = intern("_NET_WM_PID");
  a.netWmPing = intern("_NET_WM_PING");
  a.netWmWindowType = intern("_NET_WM_WINDOW_TYPE");
  a.netWmWindowTypeNormal = intern("_NET_WM_WINDOW_TYPE_NORMAL");
  a.netWmWindowTypeDialog = intern("_NET_WM_WINDOW_TYPE_DIALOG");
  a.netWmState = intern("_NET_WM_STATE");
  a.netWmStateMaxVert = intern("_NET_WM_STATE_MAXIMIZED_VERT");
  a.netWmStateMaxHorz = intern("_NET_WM_STATE_MAXIMIZED_HORZ");
  a.netWmStateHidden = intern("_NET_WM_STATE_HIDDEN");
  a.motifWmHints = intern("_MOTIF_WM_HINTS");

  int eventBase = 0;
  int errorBase = 0;
  canShape = XShapeQueryExtension(display, &eventBase, &errorBase);
  canShareMemory = XShmQueryExtension(display);
  rgb32 = IsRgb32(display, visual, depth);
  cursors[static_cast<int>(Cursor::kArrow)] = XCreateFontCursor(display, XC_left_ptr);
  cursors[static_cast<int>(Cursor::kResizeNwSe)] =
      XCreateFontCursor(display, XC_bottom_right_corner);
  DetectWindowManager();
}

X11Display::~X11Display() {
  for (::Cursor cursor : cursors) XFreeCursor(display, cursor);
  XCloseDisplay(display);
}

std::vector<unsigned long> X11Display::ReadLongs(::Window window, Atom property) const {
  Atom type = 0;
  int format = 0;
  unsigned long count = 0;
  unsigned long after = 0;
  unsigned char* data = nullptr;
  std::vector<unsigned long> values;
  if (XGetWindowProperty(display, window, property, 0, 1024, False, AnyPropertyType, &type, &format,
                         &count, &after, &data) == Success &&
      data && format == 32) {
    const auto* longs = reinterpret_cast<const unsigned long*>(data);  // format 32 comes as longs
    values.assign(longs, longs + count);
  }
  if (data) XFree(data);
  return values;
}

void X11Display::DetectWindowManager() {
  const auto check = ReadLongs(root, atoms.netSupportingWmCheck);
  if (check.empty()) return;
  ClearError();
  const auto self = ReadLongs(static_cast<::Window>(check[0]), atoms.netSupportingWmCheck);
  TakeError();
  wmRunning = !self.empty() && self[0] == check[0];
  if (!wmRunning) return;
  bool state = false;
  bool vert = false;
  bool horz = false;
  for (unsigned long atom : ReadLongs(root, atoms.netSupported)) {
    state = state || atom == atoms.netWmState;
    vert = vert || atom == atoms.netWmStateMaxVert;
    horz = horz || atom == atoms.netWmStateMaxHorz;
    wmActivates = wmActivates || atom == atoms.netActiveWindow;
  }
  wmMaximises = state && vert && horz;
}

std::unique_ptr<NativeWindow> X11Display::CreateNativeWindow(NativeEvents& events,
                                                             const Rect& bounds,
                                                             NativeWindow* owner) {
  return std::make_unique<X11Window>(*this, events, bounds, static_cast<X11Window*>(owner));
}

Rect X11Display::WorkArea() {
  const Rect whole{0, 0, DisplayWidth(display, screen), DisplayHeight(display, screen)};
  const auto desktop = ReadLongs(root, atoms.netCurrentDesktop);
  const std::size_t index = desktop.empty() ? 0 : desktop[0];
  const auto areas = ReadLongs(root, atoms.netWorkarea);
  if (areas.size() < 4 * (index + 1)) return whole;
  const auto* a = &areas[4 * index];
  const Rect area = Rect::FromSize(static_cast<int>(a[0]), static_cast<int>(a[1]),
                                   static_cast<int>(a[2]), static_cast<int>(a[3]))
                        .Intersect(whole);
  return area.IsEmpty() ? whole : area;
}

::Window X11Display::FindWithProperty(::Window parent, Atom property, int level) const {
  ::Window rootReturn = 0;
  ::Window parentReturn = 0;
  ::Window* children = nullptr;
  unsigned count = 0;
  if (!XQueryTree(display, parent, &rootReturn, &parentReturn, &children, &count)) return 0;
  ::Window found = 0;
  // Children come bottom first; the search goes front to back. A window
  // manager's frame holds the program's window one or two levels down.
  for (unsigned i = count; i-- > 0 && !found;) {
    Atom type = 0;
    int format = 0;
    unsigned long items = 0;
    unsigned long after = 0;
    unsigned char* data = nullptr;
    if (XGetWindowProperty(display, children[i], property, 0, 0, False, AnyPropertyType, &type,
                           &format, &items, &after, &data) == Success &&
        type != 0) {
      found = children[i];
    }
    if (data) XFree(data);
    if (!found && level < 2) found = FindWithProperty(children[i], property, level + 1);
  }
  if (children) XFree(children);
  return found;
}

bool X11Display::RaiseWindowWithProperty(const std::string& name) {
  const Atom property = XInternAtom(display, name.c_str(), True);
  if (property == 0) return false;  // no window anywhere was ever given it
  ClearError();
  const ::Window found = FindWithProperty(root, property, 0);
  if (!found) {
    TakeError();
    return false;
  }
  XMapRaised(display, found);  // restores a minimised window
  if (wmActivates) SendToWm(found, atoms.netActiveWindow, 2, CurrentTime);
  XSync(display, False);
  return TakeError() == 0;
}

void X11Display::SendToWm(::Window window, Atom type, long a, long b, long c, long d) {
  XEvent event{};
  event.xclient.type = ClientMessage;
  event.xclient.window = window;
  event.xclient.message_type = type;
  event.xclient.format = 32;
  event.xclient.data.l[0] = a;
  event.xclient.data.l[1] = b;
  event.xclient.data.l[2] = c;
  event.xclient.data.l[3] = d;
  XSendEvent(display, root, False, SubstructureRedirectMask | SubstructureNotifyMask, &event);
}

void X11Display::Register(X11Window* window) {
  windows_[window->id] = window;
}

void X11Display::Unregister(X11Window* window) {
  windows_.erase(window->id);
}

X11Window* X11Display::Find(::Window id) const {
  const auto it = windows_.find(id);
  return it == windows_.end() ? nullptr : it->second;
}

int X11Display::PrepareToWait() {
  XFlush(display);
  if (XEventsQueued(display, QueuedAlready) > 0) return -2;
  return ConnectionNumber(display);
}

std::unique_ptr<Backend> CreateScreenBackend(std::string* error) {
  return X11Display::Open(error);
}

}  // namespace plat::detail

namespace plat {

bool CanOpenX11Display() {
  const char* name = std::getenv("DISPLAY");
  if (!name || !*name) return false;
  ::Display* display = XOpenDisplay(nullptr);
  if (!display) return false;
  XCloseDisplay(display);
  return true;
}

}  // namespace plat
