#pragma once
// What the window thread sleeps on: a flag any thread can raise, together
// with the backend's own source of events. Internal.
#include <cstdint>

namespace plat::detail {

class WakeSignal {
 public:
  WakeSignal();
  ~WakeSignal();
  WakeSignal(const WakeSignal&) = delete;
  WakeSignal& operator=(const WakeSignal&) = delete;

  // Any thread.
  void Raise();
  // Sleeps until raised (and lowers it), until `fd` is readable, or until
  // timeoutMs pass (-1: no limit). On Windows any `fd` >= 0 stands for the
  // calling thread's message queue: a message waiting there ends the sleep.
  void Wait(int fd, int timeoutMs);

 private:
  std::intptr_t handle_ = -1;  // an eventfd, or an event object's HANDLE
};

}  // namespace plat::detail
