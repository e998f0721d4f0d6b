#pragma once
// A counting semaphore with a maximum (stands in for CSemaphore).
#include <condition_variable>
#include <mutex>

namespace plat {

class Semaphore {
 public:
  static constexpr unsigned kInfinite = ~0u;

  Semaphore(int initialCount, int maximumCount);
  Semaphore(const Semaphore&) = delete;
  Semaphore& operator=(const Semaphore&) = delete;

  // Takes one unit; false when none came free within timeoutMs.
  bool Lock(unsigned timeoutMs = kInfinite);
  // Gives one unit back; false when the count is already at its maximum.
  bool Unlock();

 private:
  std::mutex mutex_;
  std::condition_variable cv_;
  int count_;
  const int maximum_;
};

// Holds one unit of a semaphore for a scope.
class SemaphoreLock {
 public:
  explicit SemaphoreLock(Semaphore& semaphore) : semaphore_(semaphore) { semaphore_.Lock(); }
  ~SemaphoreLock() { semaphore_.Unlock(); }
  SemaphoreLock(const SemaphoreLock&) = delete;
  SemaphoreLock& operator=(const SemaphoreLock&) = delete;

 private:
  Semaphore& semaphore_;
};

}  // namespace plat
