#pragma once
// A child control of a window: its own rectangle, visibility, enabled state,
// mouse input in its own coordinates, capture and painting (stands in for a
// child window such as a CButton).
#include <atomic>

#include "platform/core/geometry.h"
#include "platform/gfx/bitmap.h"
#include "platform/window/window_types.h"

namespace plat {

class Window;

// Window thread only, except Invalidate.
class Control {
 public:
  Control() = default;
  virtual ~Control();
  Control(const Control&) = delete;
  Control& operator=(const Control&) = delete;

  // Places the control on `parent` at `bounds` (the parent's client
  // coordinates), visible and enabled. False when already placed or the
  // parent has no window yet.
  bool Create(Window& parent, int id, const Rect& bounds);
  void Destroy();
  Window* parent() const { return parent_; }
  int id() const { return id_; }

  Rect Bounds() const { return bounds_; }  // in the parent's client coordinates
  void SetBounds(const Rect& bounds);
  void Resize(Size size);
  void Show(bool show);
  bool IsVisible() const { return visible_; }
  void Enable(bool enable);
  bool IsEnabled() const { return enabled_; }

  // Any thread: paints the control again soon.
  void Invalidate();
  // Paints the control now.
  void UpdateNow();

  void SetCapture();
  void ReleaseCapture();
  bool HasCapture() const;

  // Calls the parent's OnCommand with this control's id.
  void NotifyParent(int notification);

 protected:
  virtual void OnLeftDown(const MouseEvent&) {}
  virtual void OnLeftUp(const MouseEvent&) {}
  virtual void OnLeftDoubleClick(const MouseEvent&) {}
  virtual void OnMouseMove(const MouseEvent&) {}
  virtual void OnCaptureLost() {}
  // `face` has the control's size and holds what is on the window beneath.
  virtual void OnPaint(Bitmap& /*face*/) {}

 private:
  friend class Window;
  Window* parent_ = nullptr;
  int id_ = 0;
  Rect bounds_;
  bool visible_ = true;
  bool enabled_ = true;
  std::atomic<bool> dirty_{false};
};

}  // namespace plat
