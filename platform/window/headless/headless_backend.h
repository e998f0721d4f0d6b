#pragma once
// The in-memory backend: windows on a simulated screen, with a simulated
// pointer that follows X's rules (implicit grab while a button is held, a
// leave when the pointer goes out). Internal.
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/window/backend.h"

namespace plat::detail {

class HeadlessBackend;

class HeadlessWindow : public NativeWindow {
 public:
  HeadlessWindow(HeadlessBackend& backend, NativeEvents& events, const Rect& bounds,
                 HeadlessWindow* owner);
  ~HeadlessWindow() override;

  void SetBounds(const Rect& bounds) override { bounds_ = bounds; }
  void SetVisible(bool visible) override;
  void Minimise() override;
  void Maximise() override;
  void Restore() override;
  void Raise() override;
  bool SetShape(const std::vector<Rect>* rects) override;
  void SetTitle(const std::string&) override {}
  void SetMinimumSize(Size size) override { minimumSize_ = size; }
  void SetIcon(const Bitmap& icon) override { icon_ = icon; }
  void SetNamedProperty(const std::string& name) override { properties_.insert(name); }
  void SetCursor(Cursor) override {}
  void SetPointerGrab(bool grab) override;
  void Present(const Bitmap&, const Rect&) override {}

  bool IsOnScreen() const { return visible_ && type_ != SizeType::kMinimised; }
  bool Covers(Point screen) const;
  Point ToClient(Point screen) const { return {screen.x - bounds_.left, screen.y - bounds_.top}; }

  NativeEvents& events;
  HeadlessWindow* const owner;
  const Bitmap& icon() const { return icon_; }
  Size minimumSize() const { return minimumSize_; }
  bool HasProperty(const std::string& name) const { return properties_.count(name) > 0; }
  const Rect& bounds() const { return bounds_; }
  const std::optional<std::vector<Rect>>& shape() const { return shape_; }

 private:
  void Report();

  HeadlessBackend& backend_;
  Rect bounds_;
  Rect restoreBounds_;
  bool visible_ = false;
  SizeType type_ = SizeType::kRestored;
  bool maximisedBeforeMinimise_ = false;
  std::optional<std::vector<Rect>> shape_;
  Bitmap icon_;
  Size minimumSize_;
  std::set<std::string> properties_;
};

class HeadlessBackend : public Backend {
 public:
  std::unique_ptr<NativeWindow> CreateNativeWindow(NativeEvents& events, const Rect& bounds,
                                                   NativeWindow* owner) override;
  Rect WorkArea() override { return workArea_; }
  bool RaiseWindowWithProperty(const std::string& name) override;
  bool DispatchNativeEvents() override { return false; }
  int PrepareToWait() override { return -1; }

  void SetScreen(Size size, const Rect& workArea);
  Size screenSize() const { return screen_; }
  // A display that cannot shape windows refuses every shape.
  void SetShapesRefused(bool refused) { shapesRefused_ = refused; }
  bool shapesRefused() const { return shapesRefused_; }

  // The simulated user, on the window thread.
  void PointerTo(Point screen);
  void Button(MouseButton button, bool pressed, Point screen, std::uint32_t timeMs);

  // Bottom first.
  const std::vector<HeadlessWindow*>& zOrder() const { return zOrder_; }
  HeadlessWindow* TopmostAt(Point screen) const;

 private:
  friend class HeadlessWindow;
  bool Exists(const HeadlessWindow* window) const;
  void ToTop(HeadlessWindow* window);

  Size screen_{1920, 1080};
  Rect workArea_{0, 0, 1920, 1040};
  bool shapesRefused_ = false;
  std::vector<HeadlessWindow*> zOrder_;
  Point pointer_{-1, -1};
  bool leftDown_ = false;
  HeadlessWindow* grab_ = nullptr;  // gets all pointer input while set
  bool explicitGrab_ = false;
  HeadlessWindow* inside_ = nullptr;
};

std::unique_ptr<Backend> CreateHeadlessBackend();

}  // namespace plat::detail
