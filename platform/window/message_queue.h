#pragma once
// The window thread's queue: posted tasks, synchronous sends from other
// threads, invalidation, and the wake-up the loop sleeps on. Internal.
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

#include "platform/core/geometry.h"
#include "platform/window/wake_signal.h"

namespace plat {
class Window;
}

namespace plat::detail {

class MessageQueue;

// What a window's handle points at; it outlives the window.
struct Mailbox {
  std::shared_ptr<MessageQueue> queue;
  Window* window = nullptr;       // read on the window thread only
  std::atomic<bool> alive{true};  // cleared under the queue's lock

  // Invalidation, guarded by the queue's lock.
  bool dirty = false;
  bool dirtyAll = false;
  bool erase = false;
  Rect dirtyRect;
};

struct DirtyArea {
  bool dirty = false;
  bool all = false;
  bool erase = false;
  Rect rect;
};

class MessageQueue {
 public:
  using Task = std::function<void()>;
  using Call = std::function<std::intptr_t()>;
  using Clock = std::chrono::steady_clock;

  MessageQueue();
  ~MessageQueue();
  MessageQueue(const MessageQueue&) = delete;
  MessageQueue& operator=(const MessageQueue&) = delete;

  bool IsOwnerThread() const { return std::this_thread::get_id() == owner_; }

  // Any thread. A null target runs whatever window is alive. False when the
  // target has gone or the queue is closed.
  bool Post(const std::shared_ptr<Mailbox>& target, Task task);
  // Waits until the window thread has run the call (on the window thread it
  // runs at once); nothing when the target went away first.
  std::optional<std::intptr_t> Send(const std::shared_ptr<Mailbox>& target, Call call);

  void Invalidate(Mailbox& box, const std::optional<Rect>& area, bool erase);
  DirtyArea TakeDirty(Mailbox& box);

  // Window thread only.
  bool ServeOneSend();
  bool RunOnePost();
  void ServeSendsUntil(Clock::time_point deadline);
  // Sleeps until woken, `fd` is readable, or the deadline passes (see
  // WakeSignal::Wait).
  void Wait(int fd, std::optional<Clock::time_point> deadline);
  // The window is going: sends to it are answered with nothing, posts dropped.
  void Retire(Mailbox& box);
  void Close();

  void Wake();

 private:
  struct SendRecord;
  struct Posted {
    std::shared_ptr<Mailbox> target;
    Task task;
  };

  const std::thread::id owner_ = std::this_thread::get_id();
  WakeSignal wake_;
  std::mutex mutex_;
  bool closed_ = false;
  std::deque<Posted> posts_;
  std::deque<SendRecord*> sends_;
};

}  // namespace plat::detail
