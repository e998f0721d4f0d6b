#include "platform/window/win32/win32_backend.h"

#include "platform/window/screen_backend.h"

#include "platform/core/wide_text.h"
#include "platform/window/display.h"

namespace plat::detail {
namespace {

constexpr wchar_t kClassName[] = L"SwaymoSetupWindow";
// Messages handled per round, so the layer's own queue is not starved.
constexpr int kMessagesPerRound = 64;

LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  auto* window = reinterpret_cast<Win32Window*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  // Messages sent while the window is being made or destroyed find none.
  if (window && window->hwnd() == hwnd) return window->Handle(message, wParam, lParam);
  return DefWindowProcW(hwnd, message, wParam, lParam);
}

struct PropertySearch {
  const wchar_t* name;
  HWND found = nullptr;
};

BOOL CALLBACK FindWithProperty(HWND hwnd, LPARAM param) {
  auto* search = reinterpret_cast<PropertySearch*>(param);
  if (!GetPropW(hwnd, search->name)) return TRUE;
  search->found = hwnd;
  return FALSE;
}

}  // namespace

std::unique_ptr<Win32Backend> Win32Backend::Open(std::string* error) {
  const HINSTANCE instance = GetModuleHandleW(nullptr);
  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof windowClass;
  windowClass.lpfnWndProc = WindowProc;
  windowClass.hInstance = instance;
  windowClass.lpszClassName = kClassName;
  // No background brush and no class cursor: the back buffer paints every
  // pixel and the window sets its own cursor.
  ATOM atom = RegisterClassExW(&windowClass);
  if (!atom && GetLastError() == ERROR_CLASS_ALREADY_EXISTS) {
    atom = static_cast<ATOM>(GetClassInfoExW(instance, kClassName, &windowClass));
  }
  if (!atom) {
    if (error)
      *error = "cannot register the window class (error " + std::to_string(GetLastError()) + ")";
    return nullptr;
  }
  return std::unique_ptr<Win32Backend>(new Win32Backend(instance, atom));
}

Win32Backend::Win32Backend(HINSTANCE instance, ATOM windowClass)
    : instance_(instance), class_(windowClass) {}

Win32Backend::~Win32Backend() {
  UnregisterClassW(kClassName, instance_);
}

std::unique_ptr<NativeWindow> Win32Backend::CreateNativeWindow(NativeEvents& events,
                                                               const Rect& bounds,
                                                               NativeWindow* owner) {
  auto window =
      std::make_unique<Win32Window>(*this, events, bounds, static_cast<Win32Window*>(owner));
  if (!window->created()) return nullptr;
  return window;
}

Rect Win32Backend::WorkArea() {
  RECT area{};
  if (!SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0)) {
    return {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
  }
  return {area.left, area.top, area.right, area.bottom};
}

bool Win32Backend::RaiseWindowWithProperty(const std::string& name) {
  const std::wstring wide = DecodeUtf8(name);
  PropertySearch search{wide.c_str()};
  EnumWindows(FindWithProperty, reinterpret_cast<LPARAM>(&search));  // front to back
  if (!search.found) return false;
  if (IsIconic(search.found)) ShowWindow(search.found, SW_RESTORE);
  SetWindowPos(search.found, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_SHOWWINDOW);
  SetForegroundWindow(search.found);
  return true;
}

bool Win32Backend::DispatchNativeEvents() {
  MSG message;
  int handled = 0;
  while (handled < kMessagesPerRound && PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    ++handled;
    if (message.message == WM_QUIT) continue;  // the layer ends its loops itself
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  return handled > 0;
}

int Win32Backend::PrepareToWait() {
  return HIWORD(GetQueueStatus(QS_ALLINPUT)) != 0 ? -2 : 0;
}

std::unique_ptr<Backend> CreateScreenBackend(std::string* error) {
  return Win32Backend::Open(error);
}

}  // namespace plat::detail
