#include "app/thread.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

#include "platform/core/time.h"

namespace {

using Clock = std::chrono::steady_clock;

std::uint64_t MsSince(std::uint64_t start) {
  return plat::TickMs() - start;
}

// Waits (generously) until no job body runs any more.
bool NoBodyRunsWithin(unsigned ms) {
  const auto start = plat::TickMs();
  while (g_runningThreadCount.load() != 0) {
    if (MsSince(start) > ms) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return true;
}

// Like the setup worker: passes 500 ms apart, each looking at the kill event.
class PollingOwner : public CThreadOwner {
 public:
  explicit PollingOwner(std::atomic<CThread*>& slot) : slot_(slot) {}
  void SetupWorker(plat::Event& killEvent) override {
    bodyThread = std::this_thread::get_id();
    slotDuringBody = slot_.load();
    countDuringBody = g_runningThreadCount.load();  // stored last: the test waits for it
    while (!killEvent.Wait(0)) plat::SleepMs(500);
    ++runs;
  }
  std::atomic<CThread*>& slot_;
  std::atomic<CThread*> slotDuringBody{nullptr};
  std::atomic<int> countDuringBody{0};
  std::thread::id bodyThread;
  std::atomic<int> runs{0};
};

// Never looks at the kill event until released; then records what it sees.
class StubbornOwner : public CThreadOwner {
 public:
  void SetupWorker(plat::Event& killEvent) override {
    started.Set();
    release.Wait();
    sawKill = killEvent.Wait(0);
  }
  plat::Event started;
  plat::Event release;
  std::atomic<bool> sawKill{false};
};

TEST(CThread, Job0RunsTheOwnersWorkerWithTheSlotAlreadySetAndStopsWhenAsked) {
  std::atomic<CThread*> slot{nullptr};
  PollingOwner owner(slot);
  LaunchThread(slot, &owner, kJobSetupWorker);
  CThread* const thread = slot.load();
  ASSERT_NE(thread, nullptr);
  while (owner.countDuringBody.load() == 0) std::this_thread::yield();
  EXPECT_EQ(owner.slotDuringBody.load(), thread);
  EXPECT_NE(owner.bodyThread, std::this_thread::get_id());
  EXPECT_EQ(owner.countDuringBody.load(), 1);

  const auto start = plat::TickMs();
  StopThread(thread, 10);
  EXPECT_LT(MsSince(start), 5000u);  // about 600 ms expected; the margin is for loaded machines
  EXPECT_EQ(owner.runs.load(), 1);
  EXPECT_EQ(g_runningThreadCount.load(), 0);
  // The object is gone now; stopping it again must not touch it.
  StopThread(thread, 10);
}

TEST(CThread, StoppingNothingReturnsAtOnce) {
  const auto start = plat::TickMs();
  StopThread(nullptr, 10);
  StopThread(nullptr, 0);
  EXPECT_LT(MsSince(start), 1000u);
}

TEST(CThread, AJobWithoutABodyEndsAtOnce) {
  std::atomic<CThread*> slot{nullptr};
  PollingOwner owner(slot);
  for (int job : {1, 7, -1}) {
    LaunchThread(slot, &owner, job);
    ASSERT_NE(slot.load(), nullptr);
    const auto start = plat::TickMs();
    StopThread(slot.load(), 0);
    EXPECT_LT(MsSince(start), 5000u);
  }
  EXPECT_EQ(owner.runs.load(), 0);
  EXPECT_EQ(g_runningThreadCount.load(), 0);
}

TEST(CThread, AJobThatIgnoresTheEventIsLeftRunningAfterTheBudget) {
  std::atomic<CThread*> slot{nullptr};
  StubbornOwner owner;
  LaunchThread(slot, &owner, kJobSetupWorker);
  ASSERT_TRUE(owner.started.Wait(10000));

  // Count the 100 ms pauses through the calling thread's wait server.
  int pauses = 0;
  plat::SetThreadWaitServer([&](Clock::time_point deadline) {
    ++pauses;
    std::this_thread::sleep_until(deadline);
  });
  const auto start = plat::TickMs();
  StopThread(slot.load(), 1);
  const auto elapsed = MsSince(start);
  plat::SetThreadWaitServer({});
  // 100 ms pauses until the one-second budget is spent, counted in time: the
  // first poll comes at once, the last may fall on either side of the budget.
  EXPECT_GE(pauses, 9);
  EXPECT_LE(pauses, 10);
  EXPECT_GE(elapsed, 850u);
  EXPECT_LT(elapsed, 5000u);
  EXPECT_EQ(g_runningThreadCount.load(), 1);

  // The stop request made before the body looked is not lost; with no limit
  // StopThread waits for as long as the thread runs.
  std::thread releaser([&] {
    plat::SleepMs(300);
    owner.release.Set();
  });
  const auto waitStart = plat::TickMs();
  StopThread(slot.load(), 0);
  EXPECT_GE(MsSince(waitStart), 250u);
  releaser.join();
  EXPECT_TRUE(owner.sawKill.load());
  EXPECT_EQ(g_runningThreadCount.load(), 0);
}

// Ends by itself and clears the slot, as the setup worker does when a newer
// wizard exists.
class SelfEndingOwner : public CThreadOwner {
 public:
  explicit SelfEndingOwner(std::atomic<CThread*>& slot) : slot_(slot) {}
  void SetupWorker(plat::Event&) override { slot_ = nullptr; }
  std::atomic<CThread*>& slot_;
};

TEST(CThread, ABodyThatEndedByItselfLeavesNothingToStop) {
  std::atomic<CThread*> slot{nullptr};
  SelfEndingOwner owner(slot);
  LaunchThread(slot, &owner, kJobSetupWorker);
  ASSERT_TRUE(NoBodyRunsWithin(10000));
  while (slot.load() != nullptr) std::this_thread::yield();
  const auto start = plat::TickMs();
  StopThread(slot.load(), 10);
  EXPECT_LT(MsSince(start), 1000u);
}

TEST(CThread, StoppingWhileTheBodyEndsByItselfIsSafe) {
  // The stopper races the object's own deletion; the sanitizers watch for a
  // touch of freed memory or a double release.
  class QuickOwner : public CThreadOwner {
   public:
    void SetupWorker(plat::Event&) override {}
  } owner;
  std::atomic<CThread*> slot{nullptr};
  std::vector<CThread*> launched;
  for (int i = 0; i < 200; ++i) {
    LaunchThread(slot, &owner, kJobSetupWorker);
    CThread* const thread = slot.load();
    ASSERT_NE(thread, nullptr);
    launched.push_back(thread);
    if (i % 2 == 0) std::this_thread::yield();
    StopThread(thread, i % 10 == 0 ? 0 : -1);  // mostly one look, to race often
  }
  // Wait for every thread still there before the owner goes; stopping one
  // that is gone does nothing.
  for (CThread* thread : launched) StopThread(thread, 0);
  EXPECT_EQ(g_runningThreadCount.load(), 0);
}

}  // namespace
