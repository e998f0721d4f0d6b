#include "platform/window/x11/x11.h"

#include "platform/window/window_system.h"
// Xlib last: it defines macros.
#include "platform/window/x11/x11_display.h"

namespace plat::x11 {

unsigned long WindowId(const Window& window) {
  const auto* native = dynamic_cast<const detail::X11Window*>(WindowAccess::Native(window));
  return native ? native->id : 0;
}

}  // namespace plat::x11
