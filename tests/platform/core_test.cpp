#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <thread>

#include "platform/core/event.h"
#include "platform/core/geometry.h"
#include "platform/core/page_buffer.h"
#include "platform/core/semaphore.h"
#include "platform/core/thread.h"
#include "platform/core/time.h"

namespace {

TEST(Rect, UnionHoldsBothAndIgnoresEmpty) {
  const plat::Rect a{0, 0, 10, 10};
  EXPECT_EQ(a.Union({5, -5, 20, 8}), (plat::Rect{0, -5, 20, 10}));
  EXPECT_EQ(a.Union({}), a);
  EXPECT_EQ(plat::Rect{}.Union(a), a);
  EXPECT_EQ(a.Union({30, 30, 30, 40}), a);  // zero width: empty
}

TEST(Event, ManualStaysSetAutoResetsOnWait) {
  plat::Event manual(plat::Event::Reset::kManual);
  EXPECT_FALSE(manual.Wait(0));
  manual.Set();
  EXPECT_TRUE(manual.Wait(0));
  EXPECT_TRUE(manual.Wait(0));
  manual.ResetEvent();
  EXPECT_FALSE(manual.IsSet());

  plat::Event automatic(plat::Event::Reset::kAuto, true);
  EXPECT_TRUE(automatic.Wait(0));
  EXPECT_FALSE(automatic.Wait(0));
}

TEST(Event, WaitWakesWhenAnotherThreadSets) {
  plat::Event event;
  std::thread setter([&] {
    plat::SleepMs(20);
    event.Set();
  });
  EXPECT_TRUE(event.Wait(10000));
  setter.join();
}

TEST(Semaphore, CountAndMaximum) {
  plat::Semaphore sem(1, 1);
  EXPECT_FALSE(sem.Unlock());  // already at its maximum
  EXPECT_TRUE(sem.Lock(0));
  EXPECT_FALSE(sem.Lock(10));
  EXPECT_TRUE(sem.Unlock());
  EXPECT_TRUE(sem.Lock());
}

TEST(Thread, RunsBodyAndReportsEndThroughWatch) {
  std::atomic<bool> ran{false};
  plat::Event release;
  auto thread = plat::Thread::Start([&] {
    release.Wait();
    ran = true;
  });
  ASSERT_NE(thread, nullptr);
  auto watch = thread->Watch();
  EXPECT_FALSE(watch.HasEnded());
  release.Set();
  EXPECT_TRUE(thread->WaitForEnd(10000));
  EXPECT_TRUE(ran);
  EXPECT_TRUE(watch.HasEnded());
}

TEST(SleepMs, RunsTheThreadsWaitServerUntilTheDeadline) {
  int calls = 0;
  plat::SetThreadWaitServer([&](std::chrono::steady_clock::time_point deadline) {
    ++calls;
    std::this_thread::sleep_until(deadline);
  });
  const auto start = plat::TickMs();
  plat::SleepMs(30);
  plat::SetThreadWaitServer({});
  EXPECT_EQ(calls, 1);
  EXPECT_GE(plat::TickMs() - start, 30u);
}

TEST(PollUntil, AsksFirstThenUntilYesOrTheTimeout) {
  int asked = 0;
  EXPECT_TRUE(plat::PollUntil([&] { return ++asked > 0; }, 0, 10));
  EXPECT_EQ(asked, 1);  // yes at once: no sleep

  asked = 0;
  EXPECT_TRUE(plat::PollUntil([&] { return ++asked == 3; }, 5000, 1));
  EXPECT_EQ(asked, 3);

  const std::uint64_t start = plat::TickMs();
  EXPECT_FALSE(plat::PollUntil([] { return false; }, 30, 5));
  EXPECT_GE(plat::TickMs() - start, 30u);
}

TEST(PageBuffer, GrowsKeepingContents) {
  plat::PageBuffer buffer;
  ASSERT_TRUE(buffer.Reserve(100));
  EXPECT_GE(buffer.capacity(), 100u);
  std::memset(buffer.data(), 0x5A, 100);
  ASSERT_TRUE(buffer.Reserve(64 * 1024 * 1024));
  EXPECT_EQ(buffer.data()[99], std::byte{0x5A});
  plat::PageBuffer moved = std::move(buffer);
  EXPECT_EQ(buffer.data(), nullptr);
  EXPECT_GE(moved.capacity(), 64u * 1024 * 1024);
}

}  // namespace
