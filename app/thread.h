#pragma once
// The worker-thread wrapper (stands in for a CWinThread subclass): runs one
// long job of the wizard on a thread of its own and lets the window's thread
// ask it to end through a manual-reset kill event, waiting a bounded time.
#include <atomic>
#include <memory>

#include "platform/core/event.h"
#include "platform/core/thread.h"

// The object whose job a CThread runs (the wizard dialog).
class CThreadOwner {
 public:
  // Job 0, on the worker thread: runs until done or until killEvent is set,
  // which it tests (a zero wait) at least once per pass.
  virtual void SetupWorker(plat::Event& killEvent) = 0;

 protected:
  ~CThreadOwner() = default;
};

constexpr int kJobSetupWorker = 0;

// Job bodies under way in the process; the application's exit waits on it.
inline std::atomic<int> g_runningThreadCount{0};

// Deletes itself when its job has returned. Only LaunchThread makes one.
class CThread {
 public:
  CThread(const CThread&) = delete;
  CThread& operator=(const CThread&) = delete;

 private:
  friend void LaunchThread(std::atomic<CThread*>& slot, CThreadOwner* owner, int job);
  friend void StopThread(CThread* thread, int seconds);

  CThread(CThreadOwner* owner, int job);
  ~CThread() = default;
  void Run();  // the thread's body; ends by deleting the object

  // Shared with StopThread, which may still wait after the object is gone.
  const std::shared_ptr<plat::Event> m_killEvent;
  CThreadOwner* const m_owner;
  const int m_job;
  plat::Thread::EndWatch m_endWatch;
};

// Starts job on a new thread for owner. slot (the caller's variable) holds the
// thread before the job runs, or null when no thread could be started.
void LaunchThread(std::atomic<CThread*>& slot, CThreadOwner* owner, int job);

// Sets the thread's kill event and polls, at once and then every 100 ms, until
// the thread has ended or seconds * 10 polls are made (0: no limit; below 0:
// one poll). While it waits the calling thread keeps serving its wait server
// (plat::SleepMs).
// A null thread, or one that has already ended and gone, is left alone.
void StopThread(CThread* thread, int seconds);
