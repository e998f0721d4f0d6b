#pragma once
// The process-wide state of the open display: backend, queue, windows,
// capture and the last click. Window thread only. Internal.
#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "platform/window/backend.h"
#include "platform/window/display.h"
#include "platform/window/message_queue.h"

namespace plat {
class Control;
class Window;
}  // namespace plat

namespace plat::detail {

struct WindowSystem {
  DisplayKind kind;
  std::unique_ptr<Backend> backend;
  std::shared_ptr<MessageQueue> queue;
  std::vector<Window*> windows;  // in creation order

  // Who holds the mouse capture: a window, or one of its controls.
  Window* captureWindow = nullptr;
  Control* captureControl = nullptr;

  // The last left press, for double-clicks.
  const void* clickTarget = nullptr;
  Point clickAt;  // screen
  std::uint32_t clickTime = 0;
};

// Null when no display is open.
WindowSystem* System();

// One round of the loop: a send, the native events, a post or a paint.
bool DispatchOne();
// The same without the backend's events: for a loop the system runs (a menu
// being tracked, a window being moved) that owns the native events.
bool DispatchOwnWork();
void WaitForWork(std::optional<std::chrono::steady_clock::time_point> deadline);

}  // namespace plat::detail

#include "platform/window/window.h"

namespace plat {

// The loop's way into a window's private parts.
struct WindowAccess {
  static bool PaintIfDirty(Window& window) { return window.PaintIfDirty(); }
  static detail::NativeWindow* Native(const Window& window) { return window.native_.get(); }
  static detail::Mailbox* Box(const Window& window) { return window.box_.get(); }
};

}  // namespace plat
