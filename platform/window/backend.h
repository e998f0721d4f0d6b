#pragma once
// The narrow interface each window backend (X11, Win32, headless) implements.
// Internal to the window layer.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/core/geometry.h"
#include "platform/gfx/bitmap.h"
#include "platform/window/window_types.h"

namespace plat::detail {

// What a backend reports about one of its windows, on the window thread.
// Points are in the window's client coordinates.
class NativeEvents {
 public:
  virtual void NativePointerMoved(Point at, bool leftDown) = 0;
  virtual void NativeButton(MouseButton button, bool pressed, Point at, bool leftDown,
                            std::uint32_t timeMs) = 0;
  // The pointer went out of the window (no button held).
  virtual void NativePointerLeft(Point at) = 0;
  virtual void NativeKey(Key key, bool pressed) = 0;
  virtual void NativeExposed(const Rect& area) = 0;
  // The system moved, resized, minimised, maximised or restored the window.
  virtual void NativeGeometryChanged(const Rect& bounds, SizeType type) = 0;
  virtual void NativeCloseRequested() = 0;

 protected:
  ~NativeEvents() = default;
};

class NativeWindow {
 public:
  virtual ~NativeWindow() = default;
  // Requests only: a change the system makes comes back through NativeEvents.
  virtual void SetBounds(const Rect& bounds) = 0;
  virtual void SetVisible(bool visible) = 0;
  virtual void Minimise() = 0;
  virtual void Maximise() = 0;
  virtual void Restore() = 0;
  virtual void Raise() = 0;
  // Null: the whole rectangle. False when the display cannot shape windows.
  virtual bool SetShape(const std::vector<Rect>* rects) = 0;
  virtual void SetTitle(const std::string& utf8) = 0;
  // Tells the window manager the smallest size the user may give the window.
  virtual void SetMinimumSize(Size size) = 0;
  virtual void SetIcon(const Bitmap& icon) = 0;
  virtual void SetNamedProperty(const std::string& name) = 0;
  virtual void SetCursor(Cursor cursor) = 0;
  // Keeps pointer input coming to this window while a button is held.
  virtual void SetPointerGrab(bool grab) = 0;
  // Shows `area` of the frame (the window's back buffer) on the screen.
  virtual void Present(const Bitmap& frame, const Rect& area) = 0;
  // The system menu's entries ahead of Close, on a system that has one
  // (Windows); elsewhere the window manager makes its own menu.
  virtual void SetSystemMenu(const std::string& /*restore*/, const std::string& /*minimise*/) {}
  // Gives the window the keyboard focus where the program sets it itself.
  virtual void Focus() {}
};

class Backend {
 public:
  virtual ~Backend() = default;
  virtual std::unique_ptr<NativeWindow> CreateNativeWindow(NativeEvents& events, const Rect& bounds,
                                                           NativeWindow* owner) = 0;
  virtual Rect WorkArea() = 0;
  virtual bool RaiseWindowWithProperty(const std::string& name) = 0;
  // Handles the native events that have arrived; true when there were any.
  virtual bool DispatchNativeEvents() = 0;
  // Before the window thread sleeps: sends buffered requests. Returns the
  // descriptor to wait on (-1 for none; on Windows 0 for the thread's message
  // queue), or -2 when events are already waiting.
  virtual int PrepareToWait() = 0;
};

}  // namespace plat::detail
