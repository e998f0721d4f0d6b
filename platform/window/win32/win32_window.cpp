// One popup window of the program's class.
#include <algorithm>

#include "platform/core/wide_text.h"
#include "platform/gfx/dib_win32.h"
#include "platform/window/win32/win32_backend.h"

namespace plat::detail {
namespace {

// The dialog look: a popup with a system menu, minimise and maximise boxes.
constexpr DWORD kStyle = WS_POPUP | WS_SYSMENU | WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_CLIPSIBLINGS;
// Regions are built from blocks of this many rectangles.
constexpr std::size_t kRectsPerBlock = 2000;

// A region from rectangles; null when the system cannot make it.
HRGN MakeRegion(const std::vector<Rect>& rects) {
  if (rects.empty()) return CreateRectRgn(0, 0, 0, 0);
  HRGN result = nullptr;
  std::vector<unsigned char> block;
  for (std::size_t first = 0; first < rects.size(); first += kRectsPerBlock) {
    const std::size_t count = std::min(kRectsPerBlock, rects.size() - first);
    block.assign(sizeof(RGNDATAHEADER) + count * sizeof(RECT), 0);
    auto* data = reinterpret_cast<RGNDATA*>(block.data());
    data->rdh.dwSize = sizeof(RGNDATAHEADER);
    data->rdh.iType = RDH_RECTANGLES;
    data->rdh.nCount = static_cast<DWORD>(count);
    data->rdh.nRgnSize = static_cast<DWORD>(count * sizeof(RECT));
    RECT bound{LONG_MAX, LONG_MAX, LONG_MIN, LONG_MIN};
    auto* out = reinterpret_cast<RECT*>(data->Buffer);
    for (std::size_t i = 0; i < count; ++i) {
      const Rect& r = rects[first + i];
      out[i] = {r.left, r.top, r.right, r.bottom};
      bound = {std::min(bound.left, out[i].left), std::min(bound.top, out[i].top),
               std::max(bound.right, out[i].right), std::max(bound.bottom, out[i].bottom)};
    }
    data->rdh.rcBound = bound;
    HRGN part = ExtCreateRegion(nullptr, static_cast<DWORD>(block.size()), data);
    if (!part) {
      if (result) DeleteObject(result);
      return nullptr;
    }
    if (!result) {
      result = part;
      continue;
    }
    const int combined = CombineRgn(result, result, part, RGN_OR);
    DeleteObject(part);
    if (combined == ERROR) {
      DeleteObject(result);
      return nullptr;
    }
  }
  return result;
}

HCURSOR CursorOf(Cursor cursor) {
  return LoadCursorW(nullptr, cursor == Cursor::kResizeNwSe ? IDC_SIZENWSE : IDC_ARROW);
}

}  // namespace

Win32Window::Win32Window(Win32Backend& backend, NativeEvents& events, const Rect& bounds,
                         Win32Window* owner)
    : events_(events), reported_(bounds), cursor_(CursorOf(Cursor::kArrow)) {
  // An owned window (a message box) stays off the task bar; the others are on it.
  const DWORD exStyle = owner ? 0 : WS_EX_APPWINDOW;
  const HWND made =
      CreateWindowExW(exStyle, MAKEINTATOM(backend.windowClass()), L"", kStyle, bounds.left,
                      bounds.top, std::max(1, bounds.Width()), std::max(1, bounds.Height()),
                      owner ? owner->hwnd() : nullptr, nullptr, backend.instance(), this);
  hwnd_ = made;
}

Win32Window::~Win32Window() {
  if (!hwnd_) return;
  if (grabbed_ && GetCapture() == hwnd_) ReleaseCapture();
  for (const std::wstring& name : properties_) RemovePropW(hwnd_, name.c_str());
  const HWND going = hwnd_;
  hwnd_ = nullptr;  // messages sent while it goes get the default handling
  DestroyWindow(going);
}

Rect Win32Window::CurrentBounds() const {
  RECT r{};
  GetWindowRect(hwnd_, &r);
  return {r.left, r.top, r.right, r.bottom};
}

SizeType Win32Window::CurrentType() const {
  if (IsIconic(hwnd_)) return SizeType::kMinimised;
  if (IsZoomed(hwnd_)) return SizeType::kMaximised;
  return SizeType::kRestored;
}

void Win32Window::SetBounds(const Rect& bounds) {
  settingBounds_ = true;
  SetWindowPos(hwnd_, nullptr, bounds.left, bounds.top, std::max(1, bounds.Width()),
               std::max(1, bounds.Height()), SWP_NOZORDER | SWP_NOACTIVATE);
  settingBounds_ = false;
  reported_ = bounds;
}

void Win32Window::SetVisible(bool visible) {
  if (!visible) {
    ShowWindow(hwnd_, SW_HIDE);
    return;
  }
  ShowWindow(hwnd_, maximiseOnShow_ ? SW_SHOWMAXIMIZED : SW_SHOW);
  maximiseOnShow_ = false;
}

void Win32Window::Minimise() {
  ShowWindow(hwnd_, SW_MINIMIZE);
}

void Win32Window::Maximise() {
  if (!IsWindowVisible(hwnd_)) {
    maximiseOnShow_ = true;  // showing it now would show it before its time
    return;
  }
  ShowWindow(hwnd_, SW_MAXIMIZE);
}

void Win32Window::Restore() {
  if (!IsWindowVisible(hwnd_)) {
    maximiseOnShow_ = false;
    return;
  }
  if (CurrentType() != SizeType::kRestored) ShowWindow(hwnd_, SW_RESTORE);
}

void Win32Window::Raise() {
  SetWindowPos(hwnd_, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

bool Win32Window::SetShape(const std::vector<Rect>* rects) {
  if (!rects) return SetWindowRgn(hwnd_, nullptr, TRUE) != 0;
  const HRGN region = MakeRegion(*rects);
  if (!region) return false;
  // From here the window owns the region; it stays ours only when refused.
  if (SetWindowRgn(hwnd_, region, TRUE) == 0) {
    DeleteObject(region);
    return false;
  }
  return true;
}

void Win32Window::SetTitle(const std::string& utf8) {
  SetWindowTextW(hwnd_, DecodeUtf8(utf8).c_str());
}

void Win32Window::SetMinimumSize(Size size) {
  minimumSize_ = size;
}

void Win32Window::SetIcon(const Bitmap& icon) {
  if (icon.empty()) return;
  IconHandle big = MakeIcon(icon, GetSystemMetrics(SM_CXICON), GetSystemMetrics(SM_CYICON));
  IconHandle small = MakeIcon(icon, GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON));
  if (big) SendMessageW(hwnd_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(big.get()));
  if (small) SendMessageW(hwnd_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(small.get()));
  // The window no longer uses the old ones.
  if (big) bigIcon_ = std::move(big);
  if (small) smallIcon_ = std::move(small);
}

void Win32Window::SetNamedProperty(const std::string& name) {
  std::wstring wide = DecodeUtf8(name);
  if (!SetPropW(hwnd_, wide.c_str(), reinterpret_cast<HANDLE>(1))) return;
  if (std::find(properties_.begin(), properties_.end(), wide) == properties_.end())
    properties_.push_back(std::move(wide));
}

void Win32Window::SetCursor(Cursor cursor) {
  cursor_ = CursorOf(cursor);
  POINT at{};
  if (GetCursorPos(&at) && (WindowFromPoint(at) == hwnd_ || GetCapture() == hwnd_))
    ::SetCursor(cursor_);
}

void Win32Window::SetPointerGrab(bool grab) {
  if (grab) {
    // Only while the left button is held, as on the other systems.
    if (grabbed_ || !(GetKeyState(VK_LBUTTON) & 0x8000)) return;
    SetCapture(hwnd_);
    grabbed_ = GetCapture() == hwnd_;
  } else if (grabbed_) {
    grabbed_ = false;
    if (GetCapture() == hwnd_) ReleaseCapture();
  }
}

void Win32Window::Present(const Bitmap& frame, const Rect& area) {
  const Rect r = area.Intersect({0, 0, frame.width(), frame.height()});
  if (r.IsEmpty()) return;
  // The rows of the area only, as a top-down 32-bit picture as wide as the
  // frame: the frame's pixels are what a 32-bit DIB holds.
  BITMAPINFO info = TopDown32BitInfo(frame.stride(), r.Height());
  const HDC dc = GetDC(hwnd_);
  if (!dc) return;
  SetDIBitsToDevice(dc, r.left, r.top, static_cast<DWORD>(r.Width()),
                    static_cast<DWORD>(r.Height()), r.left, 0, 0, static_cast<UINT>(r.Height()),
                    frame.Row(r.top), &info, DIB_RGB_COLORS);
  ReleaseDC(hwnd_, dc);
}

void Win32Window::SetSystemMenu(const std::string& restore, const std::string& minimise) {
  const HMENU menu = GetSystemMenu(hwnd_, FALSE);
  if (!menu) return;
  // A dialog's menu (Move and Close) with the two entries in front of Close;
  // a second call renames them.
  for (UINT command : {SC_SIZE, SC_MAXIMIZE, SC_RESTORE, SC_MINIMIZE})
    RemoveMenu(menu, command, MF_BYCOMMAND);
  const std::wstring restoreText = DecodeUtf8(restore);
  const std::wstring minimiseText = DecodeUtf8(minimise);
  InsertMenuW(menu, SC_CLOSE, MF_BYCOMMAND | MF_STRING, SC_RESTORE, restoreText.c_str());
  InsertMenuW(menu, SC_CLOSE, MF_BYCOMMAND | MF_STRING, SC_MINIMIZE, minimiseText.c_str());
}

void Win32Window::Focus() {
  SetFocus(hwnd_);
}

void Win32Window::OnMinMaxInfo(MINMAXINFO& info) const {
  if (minimumSize_.width > 0 && minimumSize_.height > 0) {
    info.ptMinTrackSize = {minimumSize_.width, minimumSize_.height};
  }
  // Maximised, a popup covers its monitor's work area, not the task bar.
  MONITORINFO monitor{};
  monitor.cbSize = sizeof monitor;
  if (GetMonitorInfoW(MonitorFromWindow(hwnd_, MONITOR_DEFAULTTONEAREST), &monitor)) {
    info.ptMaxPosition = {monitor.rcWork.left - monitor.rcMonitor.left,
                          monitor.rcWork.top - monitor.rcMonitor.top};
    info.ptMaxSize = {monitor.rcWork.right - monitor.rcWork.left,
                      monitor.rcWork.bottom - monitor.rcWork.top};
  }
}

}  // namespace plat::detail
