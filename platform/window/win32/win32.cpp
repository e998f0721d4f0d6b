#include "platform/window/win32/win32.h"

#include "platform/window/win32/win32_backend.h"
#include "platform/window/window_system.h"

namespace plat::win32 {

void* WindowHandle(const Window& window) {
  const auto* native = dynamic_cast<const detail::Win32Window*>(WindowAccess::Native(window));
  return native ? native->hwnd() : nullptr;
}

}  // namespace plat::win32
