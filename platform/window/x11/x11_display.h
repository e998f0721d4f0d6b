#pragma once
// The X11 backend: the connection with its atoms and extensions, and one
// native window per plat::Window. Internal. Include it after every other
// header: Xlib defines macros such as None, Bool and Status.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XShm.h>

#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/window/backend.h"

namespace plat::detail {

struct X11Atoms {
  Atom wmProtocols, wmDeleteWindow, wmState, wmChangeState, utf8String;
  Atom netSupported, netSupportingWmCheck, netWorkarea, netCurrentDesktop, netActiveWindow;
  Atom netWmName, netWmIconName, netWmIcon, netWmPid, netWmPing, netWmWindowType;
  Atom netWmWindowTypeNormal, netWmWindowTypeDialog;
  Atom netWmState, netWmStateMaxVert, netWmStateMaxHorz, netWmStateHidden;
  Atom motifWmHints;
};

class X11Window;

class X11Display : public Backend {
 public:
  static std::unique_ptr<X11Display> Open(std::string* error);
  ~X11Display() override;

  std::unique_ptr<NativeWindow> CreateNativeWindow(NativeEvents& events, const Rect& bounds,
                                                   NativeWindow* owner) override;
  Rect WorkArea() override;
  bool RaiseWindowWithProperty(const std::string& name) override;
  bool DispatchNativeEvents() override;
  int PrepareToWait() override;

  ::Display* const display;
  const int screen;
  const ::Window root;
  Visual* const visual;
  const int depth;
  X11Atoms atoms{};
  bool canShape = false;
  bool canShareMemory = false;
  // What the window manager offers; without one the backend does it itself.
  bool wmMaximises = false;
  bool wmActivates = false;
  bool wmRunning = false;
  ::Cursor cursors[2] = {};
  bool leftDown = false;  // as the last pointer event told
  // Back buffers can go to the server as they are (0x00RRGGBB, 32 bits).
  bool rgb32 = false;

  // Xlib reports errors later and, by default, ends the process; here they
  // are only counted, per thread.
  static void ClearError();
  static int TakeError();

  void Register(X11Window* window);
  void Unregister(X11Window* window);
  // Sends a _NET_* request about `window` to the window manager.
  void SendToWm(::Window window, Atom type, long a, long b = 0, long c = 0, long d = 0);
  Atom Intern(const std::string& name) { return XInternAtom(display, name.c_str(), False); }
  // A property of 32-bit items (they come as longs); empty when missing.
  std::vector<unsigned long> ReadLongs(::Window window, Atom property) const;

 private:
  explicit X11Display(::Display* display);
  void DetectWindowManager();
  // Passes an event to the handler of its type, for the window it is about.
  void Handle(XEvent& event);
  void OnMotion(X11Window& window, XEvent& event);
  void OnEnter(X11Window& window, XEvent& event);
  void OnLeave(X11Window& window, XEvent& event);
  void OnButton(X11Window& window, XEvent& event);
  void OnKey(X11Window& window, XEvent& event);
  void OnExpose(X11Window& window, XEvent& event);
  void OnConfigure(X11Window& window, XEvent& event);
  void OnReparent(X11Window& window, XEvent& event);
  void OnMap(X11Window& window, XEvent& event);
  void OnUnmap(X11Window& window, XEvent& event);
  void OnProperty(X11Window& window, XEvent& event);
  void OnClientMessage(X11Window& window, XEvent& event);
  X11Window* Find(::Window id) const;
  ::Window FindWithProperty(::Window parent, Atom property, int depth) const;

  std::unordered_map<::Window, X11Window*> windows_;
};

// Shows a back buffer in a window, through shared memory when the server
// offers it.
class X11Image {
 public:
  X11Image(X11Display& x, ::Window window);
  ~X11Image();
  X11Image(const X11Image&) = delete;
  X11Image& operator=(const X11Image&) = delete;
  void Put(const Bitmap& frame, const Rect& area);

 private:
  bool MakeShared(int width, int height);
  void DropShared();

  X11Display& x_;
  const ::Window window_;
  GC gc_;
  XImage* shared_ = nullptr;
  XShmSegmentInfo segment_{};
  bool sharedFailed_ = false;
};

class X11Window : public NativeWindow {
 public:
  X11Window(X11Display& x, NativeEvents& events, const Rect& bounds, X11Window* owner);
  ~X11Window() override;

  void SetBounds(const Rect& bounds) override;
  void SetVisible(bool visible) override;
  void Minimise() override;
  void Maximise() override;
  void Restore() override;
  void Raise() override;
  bool SetShape(const std::vector<Rect>* rects) override;
  void SetTitle(const std::string& utf8) override;
  void SetMinimumSize(Size size) override;
  void SetIcon(const Bitmap& icon) override;
  void SetNamedProperty(const std::string& name) override;
  void SetCursor(Cursor cursor) override;
  void SetPointerGrab(bool grab) override;
  void Present(const Bitmap& frame, const Rect& area) override;

  NativeEvents& events;
  const ::Window id;
  Rect bounds;       // screen position as last requested or reported
  Size minimumSize;  // for the window manager; none while empty
  bool mapped = false;
  bool reparented = false;
  bool geometryChanged = false;  // to report at the end of an event batch
  Rect exposed;                  // gathered until the last Expose of a series
  bool explicitGrab = false;

  // The size type from the window manager's properties, or as kept here.
  SizeType CurrentType();
  void Mapped(bool mapped);
  void ButtonsReleased();

 private:
  void SetHints();
  void MoveResize(const Rect& bounds);
  void SendSizeHints();  // position, size and minimum size
  bool HasState(Atom state);

  X11Display& x_;
  X11Image image_;
  SizeType ownType_ = SizeType::kRestored;  // without a window manager
  Rect restoreBounds_;
  bool maximisedBeforeMinimise_ = false;
  bool wantVisible_ = false;
};

}  // namespace plat::detail
