#include "platform/core/thread.h"

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <system_error>
#include <thread>

namespace plat {

struct Thread::EndWatch::State {
  std::mutex mutex;
  std::condition_variable cv;
  std::atomic<bool> ended{false};
};

struct Thread::Impl {
  std::thread thread;
  std::shared_ptr<EndWatch::State> state = std::make_shared<EndWatch::State>();
};

bool Thread::EndWatch::HasEnded() const { return state_ && state_->ended.load(); }

std::unique_ptr<Thread> Thread::Start(std::function<void()> body) {
  auto impl = std::make_unique<Impl>();
  try {
    impl->thread = std::thread([state = impl->state, body = std::move(body)] {
      body();
      {
        std::lock_guard lock(state->mutex);
        state->ended = true;
      }
      state->cv.notify_all();
    });
  } catch (const std::system_error&) {
    return nullptr;
  }
  return std::unique_ptr<Thread>(new Thread(std::move(impl)));
}

Thread::Thread(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}

Thread::~Thread() {
  if (impl_->thread.joinable()) impl_->thread.join();
}

bool Thread::HasEnded() const { return impl_->state->ended.load(); }

bool Thread::WaitForEnd(unsigned timeoutMs) {
  std::unique_lock lock(impl_->state->mutex);
  return impl_->state->cv.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                                   [this] { return impl_->state->ended.load(); });
}

void Thread::Detach() {
  if (impl_->thread.joinable()) impl_->thread.detach();
}

Thread::EndWatch Thread::Watch() const {
  EndWatch watch;
  watch.state_ = impl_->state;
  return watch;
}

}  // namespace plat
