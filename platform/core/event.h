#pragma once
// A signalled/non-signalled flag threads wait on (stands in for a Win32 event).
#include <condition_variable>
#include <mutex>

namespace plat {

class Event {
 public:
  enum class Reset { kManual, kAuto };
  static constexpr unsigned kInfinite = ~0u;

  explicit Event(Reset reset = Reset::kManual, bool initiallySet = false);
  Event(const Event&) = delete;
  Event& operator=(const Event&) = delete;

  void Set();
  void ResetEvent();
  // True when the event was (or became) set within timeoutMs; 0 only tests.
  // An auto-reset event is reset by the wait that sees it.
  bool Wait(unsigned timeoutMs = kInfinite);
  bool IsSet() { return Wait(0); }

 private:
  std::mutex mutex_;
  std::condition_variable cv_;
  const Reset reset_;
  bool set_;
};

}  // namespace plat
