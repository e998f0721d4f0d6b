#include "platform/core/semaphore.h"

#include <chrono>

namespace plat {

Semaphore::Semaphore(int initialCount, int maximumCount)
    : count_(initialCount), maximum_(maximumCount) {}

bool Semaphore::Lock(unsigned timeoutMs) {
  std::unique_lock lock(mutex_);
  const auto available = [this] { return count_ > 0; };
  if (timeoutMs == kInfinite) {
    cv_.wait(lock, available);
  } else if (!cv_.wait_for(lock, std::chrono::milliseconds(timeoutMs), available)) {
    return false;
  }
  --count_;
  return true;
}

bool Semaphore::Unlock() {
  {
    std::lock_guard lock(mutex_);
    if (count_ >= maximum_) return false;
    ++count_;
  }
  cv_.notify_one();
  return true;
}

}  // namespace plat
