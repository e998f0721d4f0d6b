#pragma once
// The Win32 backend: a popup window of the program's own class per
// plat::Window, the thread's message queue as its source of events.
// Internal.
#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/window/backend.h"

namespace plat::detail {

// An icon handle that is destroyed with its owner.
struct IconDeleter {
  void operator()(HICON icon) const { DestroyIcon(icon); }
};
using IconHandle = std::unique_ptr<std::remove_pointer_t<HICON>, IconDeleter>;

// An icon of the given size from a picture scaled to it; pure blue pixels
// are transparent. Null when the system cannot make it.
IconHandle MakeIcon(const Bitmap& picture, int width, int height);

class Win32Window;

class Win32Backend : public Backend {
 public:
  // Null, with the reason in *error, when the window class cannot be registered.
  static std::unique_ptr<Win32Backend> Open(std::string* error);
  ~Win32Backend() override;

  std::unique_ptr<NativeWindow> CreateNativeWindow(NativeEvents& events, const Rect& bounds,
                                                   NativeWindow* owner) override;
  Rect WorkArea() override;
  bool RaiseWindowWithProperty(const std::string& name) override;
  bool DispatchNativeEvents() override;
  int PrepareToWait() override;

  HINSTANCE instance() const { return instance_; }
  ATOM windowClass() const { return class_; }

 private:
  Win32Backend(HINSTANCE instance, ATOM windowClass);
  HINSTANCE instance_;
  ATOM class_;
};

class Win32Window : public NativeWindow {
 public:
  Win32Window(Win32Backend& backend, NativeEvents& events, const Rect& bounds, Win32Window* owner);
  ~Win32Window() override;
  bool created() const { return hwnd_ != nullptr; }

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
  void SetSystemMenu(const std::string& restore, const std::string& minimise) override;
  void Focus() override;

  HWND hwnd() const { return hwnd_; }
  // The window procedure's work, for messages to this window.
  LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam);

 private:
  void OnButton(MouseButton button, bool pressed, WPARAM wParam, LPARAM lParam);
  void OnPaint();
  void OnPositionChanged();
  void OnMinMaxInfo(MINMAXINFO& info) const;
  Rect CurrentBounds() const;
  SizeType CurrentType() const;

  NativeEvents& events_;
  HWND hwnd_ = nullptr;
  Rect reported_;
  SizeType reportedType_ = SizeType::kRestored;
  bool settingBounds_ = false;  // our own move: the shared code applies it
  bool maximiseOnShow_ = false;
  bool tracking_ = false;  // a WM_MOUSELEAVE is asked for
  bool grabbed_ = false;
  Size minimumSize_;
  HCURSOR cursor_ = nullptr;
  std::vector<std::wstring> properties_;
  IconHandle bigIcon_;
  IconHandle smallIcon_;
};

}  // namespace plat::detail
