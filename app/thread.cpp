#include "app/thread.h"

#include <mutex>
#include <unordered_set>

#include "platform/core/time.h"

namespace {

// The CThread objects that exist. StopThread looks a thread up here instead of
// touching an object that may have deleted itself; an object leaves the set
// and is deleted under the same lock. Never destroyed, so a thread that ends
// while the process exits still finds it.
struct LiveThreads {
  std::mutex mutex;
  std::unordered_set<const CThread*> objects;
};
LiveThreads& Live() {
  static auto* live = new LiveThreads;
  return *live;
}

constexpr unsigned kPollIntervalMs = 100;

}  // namespace

CThread::CThread(CThreadOwner* owner, int job)
    : m_killEvent(std::make_shared<plat::Event>(plat::Event::Reset::kManual)),
      m_owner(owner),
      m_job(job) {}

void CThread::Run() {
  ++g_runningThreadCount;
  if (m_job == kJobSetupWorker && m_owner != nullptr) m_owner->SetupWorker(*m_killEvent);
  --g_runningThreadCount;
  std::lock_guard lock(Live().mutex);
  Live().objects.erase(this);
  delete this;
}

void LaunchThread(std::atomic<CThread*>& slot, CThreadOwner* owner, int job) {
  slot = nullptr;
  // Owned by its thread from the start of the body on; deleted here only when
  // no thread could be started.
  auto* const object = new CThread(owner, job);
  // The new thread waits until the slot is written, as a thread created
  // suspended would.
  auto resume = std::make_shared<plat::Event>();
  auto system = plat::Thread::Start([object, resume] {
    resume->Wait();
    object->Run();
  });
  if (!system) {
    delete object;
    return;
  }
  object->m_endWatch = system->Watch();
  system->Detach();
  {
    std::lock_guard lock(Live().mutex);
    Live().objects.insert(object);
  }
  slot = object;
  resume->Set();
}

void StopThread(CThread* thread, int seconds) {
  if (thread == nullptr) return;
  std::shared_ptr<plat::Event> killEvent;
  plat::Thread::EndWatch ended;
  {
    std::lock_guard lock(Live().mutex);
    if (Live().objects.count(thread) == 0) return;  // already ended and gone
    killEvent = thread->m_killEvent;
    ended = thread->m_endWatch;
  }
  killEvent->Set();
  // A negative budget is no budget to wait: one look only.
  const long limit = seconds == 0 ? 0 : seconds < 0 ? 1 : long{seconds} * 10;
  for (long polls = 1;; ++polls) {
    if (ended.HasEnded()) return;
    if (limit != 0 && polls >= limit) return;
    plat::SleepMs(kPollIntervalMs);
  }
}
