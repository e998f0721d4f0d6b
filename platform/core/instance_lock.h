#pragma once
// Lets one process of a name run at a time (stands in for the named
// semaphore that marks the first instance). On Linux a lock file under
// $XDG_RUNTIME_DIR (else /tmp, one per user) held with flock for the
// object's life; on Windows a named mutex of the session. The system drops
// either when the holder dies, so a crashed first instance never blocks a
// later one.
#include <string_view>

namespace plat {

class InstanceLock {
 public:
  explicit InstanceLock(std::string_view name);
  ~InstanceLock();
  InstanceLock(const InstanceLock&) = delete;
  InstanceLock& operator=(const InstanceLock&) = delete;

  // True when this object holds the lock: this is the first instance.
  bool Held() const { return held_; }
  // True only when another holder was seen. When the lock file cannot be
  // used at all, neither is true and the program runs unguarded.
  bool AnotherInstanceRuns() const { return anotherRuns_; }

 private:
#ifdef _WIN32
  void* mutex_ = nullptr;  // HANDLE
#else
  int fd_ = -1;
#endif
  bool held_ = false;
  bool anotherRuns_ = false;
};

}  // namespace plat
