#pragma once
// Values that window handlers receive and geometry queries return (stand in
// for the WM_SIZE types, MK_ flags, virtual-key codes and IDC_ cursors).
#include <cstdint>

#include "platform/core/geometry.h"

namespace plat {

enum class SizeType { kRestored = 0, kMinimised = 1, kMaximised = 2 };

enum class Cursor { kArrow, kResizeNwSe };

// The keys the system tells apart; every other key is kOther.
enum class Key { kOther, kEnter, kEscape, kSpace, kTab, kF1 };

enum class MouseButton { kLeft, kRight, kMiddle, kBack, kForward };

struct MouseEvent {
  Point at;               // in the receiver's own coordinates
  bool leftDown = false;  // the left button is held
};

// Private messages are numbered from here up (WM_APP).
constexpr unsigned kFirstPrivateMessage = 0x8000;

// Two presses of the left button make a double-click when they are this close.
constexpr unsigned kDoubleClickMs = 500;
constexpr int kDoubleClickDistance = 4;  // pixels, along each axis

}  // namespace plat
