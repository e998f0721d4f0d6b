#pragma once
// Driving and reading windows on the headless display, for tests: the
// simulated user's pointer and keys, and what the screen shows.
#include <cstdint>
#include <string>
#include <vector>

#include "platform/core/time.h"
#include "platform/gfx/bitmap.h"
#include "platform/window/window.h"

namespace plat::headless {

inline std::uint32_t NowMs() {
  return static_cast<std::uint32_t>(TickMs());
}

// The simulated screen and its work area (default 1920 x 1080, with a task
// bar of 40 pixels at the bottom).
void SetScreen(Size size, const Rect& workArea);
// As a display without the shape extension: every shape asked for is refused.
void RefuseShapes(bool refused);

// Input, from any thread: queued in order and handled by the window thread's
// loop. Points are in the window's client coordinates and go to whatever
// window is on top there, as a real pointer's would.
void MovePointer(const Window& window, Point at);
void Press(const Window& window, Point at, MouseButton button = MouseButton::kLeft,
           std::uint32_t timeMs = NowMs());
void Release(const Window& window, Point at, MouseButton button = MouseButton::kLeft,
             std::uint32_t timeMs = NowMs());
void Click(const Window& window, Point at);
void DoubleClick(const Window& window, Point at);
void PressKey(const Window& window, Key key);  // down and up
// The user's close command (the task bar's Close).
void RequestClose(const Window& window);

// Reading, on the window thread.
// The visible windows composed as a user sees them, outside any window black.
Bitmap Screenshot();
bool IsOnTop(const Window& window);  // the topmost visible window
bool IsOnScreen(const Window& window);
bool HasNamedProperty(const Window& window, const std::string& name);
const Bitmap* Icon(const Window& window);
// The minimum size the window asked the window manager for.
Size MinimumSize(const Window& window);
// Every window of the display, in creation order.
std::vector<const Window*> Windows();

}  // namespace plat::headless
