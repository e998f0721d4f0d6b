#pragma once
// A thread of the process (stands in for CreateThread / CWinThread).
#include <functional>
#include <memory>

namespace plat {

class Thread {
 public:
  // Starts body on a new thread; null when the system cannot start one.
  static std::unique_ptr<Thread> Start(std::function<void()> body);

  // Waits for the body to return, unless the thread was detached.
  ~Thread();
  Thread(const Thread&) = delete;
  Thread& operator=(const Thread&) = delete;

  // True once the body has returned. Safe from any thread, also after Detach.
  bool HasEnded() const;
  // Waits up to timeoutMs for the body to return.
  bool WaitForEnd(unsigned timeoutMs);
  // Lets the thread run on without this object.
  void Detach();

  // A handle that tells whether the body has returned; it outlives the Thread.
  class EndWatch {
   public:
    bool HasEnded() const;
   private:
    friend class Thread;
    struct State;
    std::shared_ptr<State> state_;
  };
  EndWatch Watch() const;

 private:
  struct Impl;
  explicit Thread(std::unique_ptr<Impl> impl);
  std::unique_ptr<Impl> impl_;
};

}  // namespace plat
