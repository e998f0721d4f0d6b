// Turning window messages into what the window layer hears.
#include "platform/window/win32/win32_backend.h"
#include "platform/window/window_system.h"

namespace plat::detail {
namespace {

Point PointOf(LPARAM lParam) {
  // Signed: with the capture, the pointer can be left of or above the window.
  return {static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
}

Key KeyOf(WPARAM virtualKey) {
  switch (virtualKey) {
    case VK_RETURN:
      return Key::kEnter;
    case VK_ESCAPE:
      return Key::kEscape;
    case VK_SPACE:
      return Key::kSpace;
    case VK_TAB:
      return Key::kTab;
    case VK_F1:
      return Key::kF1;
    default:
      return Key::kOther;
  }
}

constexpr WPARAM kAnyButton = MK_LBUTTON | MK_RBUTTON | MK_MBUTTON | MK_XBUTTON1 | MK_XBUTTON2;

// While the system runs a loop of its own (the system menu, a move from it),
// the layer's sends, posts and paints are served from a timer.
constexpr UINT_PTR kServeTimer = 1;
constexpr UINT kServeEveryMs = 20;
constexpr int kServedPerTick = 32;

}  // namespace

LRESULT Win32Window::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_MOUSEMOVE:
      if (!tracking_) {
        TRACKMOUSEEVENT track{sizeof track, TME_LEAVE, hwnd_, 0};
        tracking_ = TrackMouseEvent(&track) != 0;
      }
      events_.NativePointerMoved(PointOf(lParam), (wParam & MK_LBUTTON) != 0);
      return 0;
    case WM_MOUSELEAVE: {
      tracking_ = false;
      // While a button is held the moves keep coming; only a free pointer leaves.
      const bool held =
          (GetKeyState(VK_LBUTTON) | GetKeyState(VK_RBUTTON) | GetKeyState(VK_MBUTTON)) & 0x8000;
      POINT at{};
      if (held || !GetCursorPos(&at)) return 0;
      ScreenToClient(hwnd_, &at);
      events_.NativePointerLeft({at.x, at.y});
      return 0;
    }
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
      OnButton(MouseButton::kLeft, true, wParam, lParam);
      return 0;
    case WM_LBUTTONUP:
      OnButton(MouseButton::kLeft, false, wParam, lParam);
      return 0;
    case WM_RBUTTONDOWN:
    case WM_RBUTTONUP:
      OnButton(MouseButton::kRight, message == WM_RBUTTONDOWN, wParam, lParam);
      return 0;
    case WM_MBUTTONDOWN:
    case WM_MBUTTONUP:
      OnButton(MouseButton::kMiddle, message == WM_MBUTTONDOWN, wParam, lParam);
      return 0;
    case WM_XBUTTONDOWN:
    case WM_XBUTTONUP:
      OnButton(HIWORD(wParam) == XBUTTON1 ? MouseButton::kBack : MouseButton::kForward,
               message == WM_XBUTTONDOWN, wParam, lParam);
      return TRUE;
    case WM_KEYDOWN:
    case WM_KEYUP:
      events_.NativeKey(KeyOf(wParam), message == WM_KEYDOWN);
      return 0;
    case WM_CAPTURECHANGED:
      grabbed_ = false;
      return 0;
    case WM_SETCURSOR:
      if (LOWORD(lParam) != HTCLIENT) break;
      ::SetCursor(cursor_);
      return TRUE;
    case WM_ERASEBKGND:
      return 1;  // the back buffer paints every pixel
    case WM_PAINT:
      OnPaint();
      return 0;
    case WM_GETMINMAXINFO:
      OnMinMaxInfo(*reinterpret_cast<MINMAXINFO*>(lParam));
      return 0;
    case WM_WINDOWPOSCHANGED:
      OnPositionChanged();
      return 0;  // no WM_SIZE and WM_MOVE: the change is reported here
    case WM_CLOSE:
      events_.NativeCloseRequested();
      return 0;  // the layer decides whether the window goes
    case WM_ENTERMENULOOP:
    case WM_ENTERSIZEMOVE:
      SetTimer(hwnd_, kServeTimer, kServeEveryMs, nullptr);
      break;
    case WM_EXITMENULOOP:
    case WM_EXITSIZEMOVE:
      KillTimer(hwnd_, kServeTimer);
      break;
    case WM_TIMER:
      if (wParam != kServeTimer) break;
      for (int i = 0; i < kServedPerTick && DispatchOwnWork(); ++i) {
      }
      return 0;
    default:
      break;
  }
  return DefWindowProcW(hwnd_, message, wParam, lParam);
}

void Win32Window::OnButton(MouseButton button, bool pressed, WPARAM wParam, LPARAM lParam) {
  const bool leftDown = button == MouseButton::kLeft ? pressed : (wParam & MK_LBUTTON) != 0;
  // wParam holds the buttons down after this change.
  const bool allUp = !pressed && (wParam & kAnyButton) == 0;
  const HWND id = hwnd_;
  events_.NativeButton(button, pressed, PointOf(lParam), leftDown, GetMessageTime());
  // The handler may have destroyed the window (and this object with it).
  if (allUp && IsWindow(id) && GetCapture() == id) {
    auto* still = reinterpret_cast<Win32Window*>(GetWindowLongPtrW(id, GWLP_USERDATA));
    if (still == this) SetPointerGrab(false);
  }
}

void Win32Window::OnPaint() {
  PAINTSTRUCT paint{};
  BeginPaint(hwnd_, &paint);
  const RECT r = paint.rcPaint;
  EndPaint(hwnd_, &paint);
  if (r.right > r.left && r.bottom > r.top)
    events_.NativeExposed({r.left, r.top, r.right, r.bottom});
}

void Win32Window::OnPositionChanged() {
  if (settingBounds_) return;
  const SizeType type = CurrentType();
  // A minimised window keeps its last place; the system parks it off screen.
  const Rect bounds = type == SizeType::kMinimised ? reported_ : CurrentBounds();
  if (bounds == reported_ && type == reportedType_) return;
  reported_ = bounds;
  reportedType_ = type;
  events_.NativeGeometryChanged(bounds, type);
}

}  // namespace plat::detail
