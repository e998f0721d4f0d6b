#include "platform/window/message_queue.h"

#include <vector>

namespace plat::detail {

struct MessageQueue::SendRecord {
  std::shared_ptr<Mailbox> target;
  Call call;
  std::condition_variable done;
  bool finished = false;
  std::optional<std::intptr_t> result;
};

MessageQueue::MessageQueue() = default;

MessageQueue::~MessageQueue() {
  Close();
}

void MessageQueue::Wake() {
  wake_.Raise();
}

bool MessageQueue::Post(const std::shared_ptr<Mailbox>& target, Task task) {
  {
    std::lock_guard lock(mutex_);
    if (closed_ || (target && !target->alive)) return false;
    posts_.push_back({target, std::move(task)});
  }
  Wake();
  return true;
}

std::optional<std::intptr_t> MessageQueue::Send(const std::shared_ptr<Mailbox>& target, Call call) {
  if (IsOwnerThread()) {
    if (!target || !target->alive) return std::nullopt;
    return call();
  }
  SendRecord record;
  record.target = target;
  record.call = std::move(call);
  std::unique_lock lock(mutex_);
  if (closed_ || !target || !target->alive) return std::nullopt;
  sends_.push_back(&record);
  Wake();
  record.done.wait(lock, [&] { return record.finished; });
  return record.result;
}

bool MessageQueue::ServeOneSend() {
  SendRecord* record;
  {
    std::lock_guard lock(mutex_);
    if (sends_.empty()) return false;
    record = sends_.front();
    sends_.pop_front();
  }
  std::optional<std::intptr_t> result;
  if (record->target->alive) result = record->call();
  std::lock_guard lock(mutex_);
  record->result = result;
  record->finished = true;
  record->done.notify_one();  // under the lock: the sender may free the record once it sees it
  return true;
}

bool MessageQueue::RunOnePost() {
  Posted posted;
  {
    std::lock_guard lock(mutex_);
    if (posts_.empty()) return false;
    posted = std::move(posts_.front());
    posts_.pop_front();
  }
  if (!posted.target || posted.target->alive) posted.task();
  return true;
}

void MessageQueue::ServeSendsUntil(Clock::time_point deadline) {
  for (;;) {
    while (ServeOneSend()) {
    }
    if (Clock::now() >= deadline) return;
    Wait(-1, deadline);
  }
}

void MessageQueue::Wait(int fd, std::optional<Clock::time_point> deadline) {
  {
    std::lock_guard lock(mutex_);
    if (!sends_.empty()) return;
  }
  int timeoutMs = -1;
  if (deadline) {
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(*deadline - Clock::now());
    timeoutMs = static_cast<int>(std::max<std::int64_t>(0, left.count()));
  }
  wake_.Wait(fd, timeoutMs);
}

void MessageQueue::Invalidate(Mailbox& box, const std::optional<Rect>& area, bool erase) {
  {
    std::lock_guard lock(mutex_);
    if (!box.alive) return;
    box.dirty = true;
    if (area) {
      box.dirtyRect = box.dirtyRect.Union(*area);
    } else {
      box.dirtyAll = true;
    }
    box.erase = box.erase || erase;
  }
  Wake();
}

DirtyArea MessageQueue::TakeDirty(Mailbox& box) {
  std::lock_guard lock(mutex_);
  DirtyArea area{box.dirty, box.dirtyAll, box.erase, box.dirtyRect};
  box.dirty = box.dirtyAll = box.erase = false;
  box.dirtyRect = {};
  return area;
}

void MessageQueue::Retire(Mailbox& box) {
  std::vector<Posted> dropped;
  {
    std::lock_guard lock(mutex_);
    box.alive = false;
    for (auto it = sends_.begin(); it != sends_.end();) {
      if ((*it)->target.get() == &box) {
        (*it)->finished = true;
        (*it)->done.notify_one();
        it = sends_.erase(it);
      } else {
        ++it;
      }
    }
    for (auto it = posts_.begin(); it != posts_.end();) {
      if (it->target.get() == &box) {
        dropped.push_back(std::move(*it));
        it = posts_.erase(it);
      } else {
        ++it;
      }
    }
  }
  // The tasks are destroyed here, outside the lock.
}

void MessageQueue::Close() {
  std::deque<Posted> dropped;
  {
    std::lock_guard lock(mutex_);
    closed_ = true;
    for (SendRecord* record : sends_) {
      record->finished = true;
      record->done.notify_one();
    }
    sends_.clear();
    dropped.swap(posts_);
  }
}

}  // namespace plat::detail
