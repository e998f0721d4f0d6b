#pragma once
// A handle to a window that any thread may keep and use after the window is
// gone (stands in for an HWND with PostMessage/SendMessage/InvalidateRect).
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

#include "platform/core/geometry.h"

namespace plat {

namespace detail {
struct Mailbox;
}

class WindowRef {
 public:
  WindowRef() = default;

  bool IsAlive() const;
  explicit operator bool() const { return IsAlive(); }

  // A private message (kFirstPrivateMessage and above) for OnPrivateMessage.
  // Post queues it; false when the window is gone or the number is too low.
  bool Post(unsigned message, std::intptr_t a = 0, std::intptr_t b = 0) const;
  // Send waits until the window's thread has handled it and returns the
  // handler's result, 0 when the window is gone. A window thread that waits
  // in SleepMs or a modal loop meanwhile still handles sends.
  std::intptr_t Send(unsigned message, std::intptr_t a = 0, std::intptr_t b = 0) const;

  // Runs a call on the window's thread, later or now and waiting for it.
  // A call is dropped when the window goes first (SendCall then returns
  // nothing).
  bool PostCall(std::function<void()> call) const;
  std::optional<std::intptr_t> SendCall(std::function<std::intptr_t()> call) const;

  // Queues the window's OnClose, as the close command of the system does.
  bool PostClose() const;

  // Marks the window (or a part of it) for painting; any thread.
  void Invalidate(bool erase = true) const;
  void InvalidateRect(const Rect& area, bool erase = true) const;

 private:
  friend class Window;
  explicit WindowRef(std::shared_ptr<detail::Mailbox> box) : box_(std::move(box)) {}
  std::shared_ptr<detail::Mailbox> box_;
};

}  // namespace plat
