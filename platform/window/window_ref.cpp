#include "platform/window/window_ref.h"

#include "platform/window/message_queue.h"
#include "platform/window/window.h"
#include "platform/window/window_types.h"

namespace plat {

bool WindowRef::IsAlive() const {
  return box_ && box_->alive;
}

bool WindowRef::Post(unsigned message, std::intptr_t a, std::intptr_t b) const {
  if (!box_ || message < kFirstPrivateMessage) return false;
  return box_->queue->Post(
      box_, [box = box_.get(), message, a, b] { box->window->OnPrivateMessage(message, a, b); });
}

std::intptr_t WindowRef::Send(unsigned message, std::intptr_t a, std::intptr_t b) const {
  if (!box_ || message < kFirstPrivateMessage) return 0;
  return box_->queue
      ->Send(box_, [box = box_.get(), message, a,
                    b] { return box->window->OnPrivateMessage(message, a, b); })
      .value_or(0);
}

bool WindowRef::PostCall(std::function<void()> call) const {
  return box_ && box_->queue->Post(box_, std::move(call));
}

std::optional<std::intptr_t> WindowRef::SendCall(std::function<std::intptr_t()> call) const {
  if (!box_) return std::nullopt;
  return box_->queue->Send(box_, std::move(call));
}

bool WindowRef::PostClose() const {
  if (!box_) return false;
  return box_->queue->Post(box_, [box = box_.get()] { box->window->OnClose(); });
}

void WindowRef::Invalidate(bool erase) const {
  if (box_) box_->queue->Invalidate(*box_, std::nullopt, erase);
}

void WindowRef::InvalidateRect(const Rect& area, bool erase) const {
  if (box_) box_->queue->Invalidate(*box_, area, erase);
}

}  // namespace plat
