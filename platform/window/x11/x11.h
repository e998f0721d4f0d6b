#pragma once
// What the X11 backend tells about a window, for tests and tools that look
// at it from outside.
#include "platform/window/window.h"

namespace plat::x11 {

// The X window id of a window on the X11 display; 0 on any other.
unsigned long WindowId(const Window& window);

}  // namespace plat::x11
