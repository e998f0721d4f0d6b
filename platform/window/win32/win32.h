#pragma once
// What the Win32 backend tells about a window, for tests and tools that look
// at it from outside.
#include "platform/window/window.h"

namespace plat::win32 {

// The window's HWND on the Windows screen; null on any other display.
void* WindowHandle(const Window& window);

}  // namespace plat::win32
