#include "platform/core/event.h"

#include <chrono>

namespace plat {

Event::Event(Reset reset, bool initiallySet) : reset_(reset), set_(initiallySet) {}

void Event::Set() {
  {
    std::lock_guard lock(mutex_);
    set_ = true;
  }
  if (reset_ == Reset::kManual) {
    cv_.notify_all();
  } else {
    cv_.notify_one();
  }
}

void Event::ResetEvent() {
  std::lock_guard lock(mutex_);
  set_ = false;
}

bool Event::Wait(unsigned timeoutMs) {
  std::unique_lock lock(mutex_);
  const auto isSet = [this] { return set_; };
  if (timeoutMs == kInfinite) {
    cv_.wait(lock, isSet);
  } else if (!cv_.wait_for(lock, std::chrono::milliseconds(timeoutMs), isSet)) {
    return false;
  }
  if (reset_ == Reset::kAuto) set_ = false;
  return true;
}

}  // namespace plat
