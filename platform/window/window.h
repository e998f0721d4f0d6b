#pragma once
// A top-level window of the window thread with its message handlers, modal
// loop, painting from a back buffer, capture, shape and placement (stands in
// for CWnd/CDialog over Win32 USER windows).
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/core/geometry.h"
#include "platform/gfx/bitmap.h"
#include "platform/window/window_ref.h"
#include "platform/window/window_types.h"

namespace plat {

class Control;
namespace detail {
class NativeWindow;
class WindowEvents;
}  // namespace detail

// Every operation is for the window thread only, except ref() and the
// invalidation calls, which any thread may use.
class Window {
 public:
  Window();
  virtual ~Window();
  Window(const Window&) = delete;
  Window& operator=(const Window&) = delete;

  // Makes the window, hidden, at `bounds` (screen pixels). An owned window
  // stays above its owner, and a modal loop on it disables the owner. False
  // without an open display, off the window thread, or when already made.
  bool Create(const Rect& bounds, Window* owner = nullptr);
  void Destroy();
  bool IsCreated() const { return native_ != nullptr; }
  WindowRef ref() const { return WindowRef(box_); }
  Window* owner() const { return owner_; }

  // Private messages and calls, as through ref().
  bool Post(unsigned message, std::intptr_t a = 0, std::intptr_t b = 0) const;
  std::intptr_t Send(unsigned message, std::intptr_t a = 0, std::intptr_t b = 0) const;

  // Shows the window and handles messages until EndDialog; the owner is
  // disabled meanwhile. Loops nest. Hides the window again and returns the
  // result; -1 when the window cannot run one.
  int RunModal();
  // Ends the modal loop of this window (or the next one, when none runs).
  void EndDialog(int result);
  bool IsInModalLoop() const { return modal_; }

  // Painting: the back buffer is composed by OnEraseBackground, OnPaint and
  // the controls, then shown; the screen is refreshed from it.
  void Invalidate(bool erase = true);
  void InvalidateRect(const Rect& area, bool erase = true);
  void UpdateNow();  // paints what is invalid at once
  const Bitmap& frame() const { return frame_; }

  // Placement, in screen pixels. The handlers hear of each change.
  Rect Bounds() const { return bounds_; }
  Rect ClientRect() const { return {0, 0, bounds_.Width(), bounds_.Height()}; }
  Point ClientToScreen(Point p) const { return {p.x + bounds_.left, p.y + bounds_.top}; }
  Point ScreenToClient(Point p) const { return {p.x - bounds_.left, p.y - bounds_.top}; }
  void SetBounds(const Rect& bounds);
  void Move(Point topLeft);
  void Resize(Size size);
  void Show();
  void Hide();
  bool IsVisible() const { return visible_; }
  void Minimise();
  void Maximise();  // to the work area
  void Restore();
  SizeType sizeType() const { return sizeType_; }
  void Raise();  // to the top of the Z order
  void Enable(bool enable);
  bool IsEnabled() const { return enabled_; }

  // The visible shape, from rectangles (usually one pixel high) in client
  // coordinates; outside it nothing is shown and no input arrives. An empty
  // list leaves nothing visible. False when the display cannot shape windows.
  bool SetShape(std::vector<Rect> rects);
  void ClearShape();
  bool InShape(Point client) const;

  void SetTitle(const std::string& utf8);
  // The smallest size the window manager lets the user give the window (kept
  // for a window made later).
  void SetMinimumSizeHint(Size size);
  const std::string& title() const { return title_; }
  void SetIcon(const Bitmap& icon);  // pure blue pixels are transparent
  // Marks the window so RaiseWindowWithProperty(name) finds it.
  void SetNamedProperty(const std::string& name);
  // Where the system gives windows a system menu (Windows): its Restore and
  // Minimise entries, put in front of Close with these texts.
  void SetSystemMenu(const std::string& restoreUtf8, const std::string& minimiseUtf8);
  // Gives the window the keyboard focus.
  void Focus();

  // The pointer's shape over the window; every move that is not captured
  // puts the arrow back before OnMouseMove runs.
  void SetCursor(Cursor cursor);
  Cursor cursor() const { return cursor_; }

  // Mouse input comes here wherever the pointer is (outside the window too
  // while a button is held) until released. Losing it calls OnCaptureLost.
  void SetCapture();
  void ReleaseCapture();
  bool HasCapture() const;

  Control* FindControl(int id) const;

 protected:
  virtual void OnLeftDown(const MouseEvent&) {}
  virtual void OnLeftUp(const MouseEvent&) {}
  virtual void OnLeftDoubleClick(const MouseEvent&) {}
  virtual void OnMouseMove(const MouseEvent&) {}
  virtual void OnCaptureLost() {}
  virtual void OnExtraButtonDown(const MouseEvent&, MouseButton) {}
  virtual void OnSize(SizeType, Size) {}
  virtual void OnMove(Point /*topLeft*/) {}
  // Default: fills the area with the dialog grey.
  virtual void OnEraseBackground(Bitmap& frame, const Rect& area);
  virtual void OnPaint(Bitmap& /*frame*/, const Rect& /*area*/) {}
  // The system's close command. Default: EndDialog(2) in a modal loop, else Hide.
  virtual void OnClose();
  virtual void OnCommand(int /*id*/, int /*notification*/) {}
  virtual void OnHelp() {}
  // True when handled; an unhandled F1 becomes OnHelp.
  virtual bool OnKeyDown(Key) { return false; }
  virtual void OnKeyUp(Key) {}
  virtual std::intptr_t OnPrivateMessage(unsigned, std::intptr_t, std::intptr_t) { return 0; }

 private:
  friend class Control;
  friend class WindowRef;
  friend struct WindowAccess;
  friend class detail::WindowEvents;

  struct Target;
  // What the backend reports about the window (through events_).
  void NativePointerMoved(Point at, bool leftDown);
  void NativeButton(MouseButton button, bool pressed, Point at, bool leftDown,
                    std::uint32_t timeMs);
  void NativePointerLeft(Point at);
  void NativeKey(Key key, bool pressed);
  void NativeExposed(const Rect& area);
  void NativeGeometryChanged(const Rect& bounds, SizeType type);
  void NativeCloseRequested();

  Target RouteMouse(Point at);
  static void Deliver(const Target& target, int kind, Point screen, bool leftDown);
  bool DropInput();
  void ApplyGeometry(const Rect& bounds, SizeType type);
  static void ChangeCapture(Window* window, Control* control, bool notify);
  void ReleaseCaptureWithin(bool notify);
  void LeaveModal();

  bool PaintIfDirty();
  void PaintControl(Control& control);

  std::shared_ptr<detail::Mailbox> box_;
  std::unique_ptr<detail::WindowEvents> events_;
  std::unique_ptr<detail::NativeWindow> native_;  // after events_: it reports to them
  Window* owner_ = nullptr;
  Window* modalChild_ = nullptr;
  Rect bounds_;
  SizeType sizeType_ = SizeType::kRestored;
  bool visible_ = false;
  bool enabled_ = true;
  bool painting_ = false;
  bool modal_ = false;
  bool ownerDisabled_ = false;
  std::optional<int> endResult_;
  Bitmap frame_;
  std::optional<std::vector<Rect>> shape_;
  std::string title_;
  Cursor cursor_ = Cursor::kArrow;
  Size minimumSize_;  // none while empty
  std::vector<Control*> controls_;
};

}  // namespace plat
