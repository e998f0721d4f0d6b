// Posting and sending across threads, and modal loops.
#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <thread>

#include "platform/core/event.h"
#include "platform/core/thread.h"
#include "platform/core/time.h"
#include "platform/window/display.h"
#include "platform/window/headless/headless.h"
#include "tests/platform/window_probe.h"
#include "tests/support/headless_display.h"

namespace {

using windowtest::ProbeControl;
using windowtest::ProbeWindow;

constexpr unsigned kNumber = plat::kFirstPrivateMessage + 1;
constexpr unsigned kQuestion = plat::kFirstPrivateMessage + 2;

class WindowMessages : public testsupport::HeadlessDisplayTest {};

TEST_F(WindowMessages, PostsKeepTheirOrderPerThreadAndASendOvertakesThem) {
  ProbeWindow window;
  ASSERT_TRUE(window.Create(0, 0, 50, 50));
  std::vector<std::pair<std::intptr_t, std::intptr_t>> got;  // (thread, number)
  int handledBeforeSend = -1;
  const auto mainThread = std::this_thread::get_id();
  bool sendOnWindowThread = false;
  window.onPrivate = [&](unsigned id, std::intptr_t a, std::intptr_t b) -> std::intptr_t {
    if (id == kNumber) got.emplace_back(a, b);
    if (id != kQuestion) return 0;
    handledBeforeSend = static_cast<int>(got.size());
    sendOnWindowThread = std::this_thread::get_id() == mainThread;
    return a * 2;
  };

  const plat::WindowRef ref = window.ref();
  plat::Event posted;
  std::atomic<std::intptr_t> answer{0};
  std::thread second([&] {
    for (int i = 0; i < 200; ++i) ASSERT_TRUE(ref.Post(kNumber, 2, i));
  });
  std::thread first([&] {
    for (int i = 0; i < 200; ++i) ASSERT_TRUE(ref.Post(kNumber, 1, i));
    posted.Set();
    answer = ref.Send(kQuestion, 21);
  });
  second.join();
  ASSERT_TRUE(posted.Wait(10000));
  // 400 posts are queued before the send. A layer wait serves the send only;
  // the loop then handles the posts.
  for (int i = 0; i < 10000 && answer == 0; ++i) plat::SleepMs(1);
  first.join();
  plat::DispatchPending();

  EXPECT_EQ(answer, 42);
  EXPECT_TRUE(sendOnWindowThread);
  EXPECT_EQ(handledBeforeSend, 0);
  ASSERT_EQ(got.size(), 400u);
  std::intptr_t next[3] = {0, 0, 0};
  for (const auto& [thread, number] : got) EXPECT_EQ(number, next[thread]++);
}

TEST_F(WindowMessages, WindowThreadSleepingInALayerWaitServesSends) {
  ProbeWindow window;
  ASSERT_TRUE(window.Create(0, 0, 50, 50));
  int served = 0;
  window.onPrivate = [&](unsigned, std::intptr_t a, std::intptr_t) -> std::intptr_t {
    ++served;
    return a + 1;
  };
  // A worker that reports each step through a synchronous send, as the setup
  // worker does; the window thread closes by polling for its end.
  std::atomic<bool> stop{false};
  std::atomic<int> lastAnswer{0};
  auto worker = plat::Thread::Start([&, ref = window.ref()] {
    for (int i = 0; !stop; ++i) lastAnswer = static_cast<int>(ref.Send(kNumber, i));
  });
  ASSERT_NE(worker, nullptr);
  while (served < 20) plat::SleepMs(1);
  stop = true;
  for (int i = 0; i < 10000 && !worker->HasEnded(); ++i) plat::SleepMs(1);
  EXPECT_TRUE(worker->HasEnded());
  EXPECT_EQ(lastAnswer, served);
}

TEST_F(WindowMessages, GoneWindowAnswersSendsAndRefusesPosts) {
  auto window = std::make_unique<ProbeWindow>();
  ASSERT_TRUE(window->Create(0, 0, 50, 50));
  window->onPrivate = [](unsigned, std::intptr_t, std::intptr_t) -> std::intptr_t { return 5; };
  const plat::WindowRef ref = window->ref();
  EXPECT_TRUE(ref.IsAlive());
  EXPECT_FALSE(ref.Post(plat::kFirstPrivateMessage - 1));  // not a private message
  EXPECT_EQ(ref.Send(kNumber), 5);                         // on the window thread: at once

  std::atomic<bool> sending{false};
  std::atomic<std::intptr_t> answer{-1};
  std::optional<std::intptr_t> callAnswer{99};
  std::thread sender([&] {
    sending = true;
    answer = ref.Send(kNumber);
  });
  while (!sending) std::this_thread::yield();
  plat::SleepMs(20);  // may or may not serve the send before the window goes
  window.reset();     // a blocked sender must come back
  sender.join();
  EXPECT_TRUE(answer == 0 || answer == 5);
  EXPECT_FALSE(ref.IsAlive());
  EXPECT_FALSE(ref.Post(kNumber));
  EXPECT_EQ(ref.Send(kNumber), 0);
  std::thread([&] { callAnswer = ref.SendCall([] { return std::intptr_t{1}; }); }).join();
  EXPECT_FALSE(callAnswer.has_value());
}

TEST_F(WindowMessages, PostsToAWindowThatGoesAreDropped) {
  auto window = std::make_unique<ProbeWindow>();
  ASSERT_TRUE(window->Create(0, 0, 50, 50));
  int handled = 0;
  window->onPrivate = [&](unsigned, std::intptr_t, std::intptr_t) -> std::intptr_t {
    return ++handled;
  };
  auto shared = std::make_shared<int>(0);
  ASSERT_TRUE(window->ref().PostCall([shared] {}));
  ASSERT_TRUE(window->Post(kNumber));
  window.reset();
  EXPECT_EQ(shared.use_count(), 1);  // the queued call was released with the window
  plat::DispatchPending();
  EXPECT_EQ(handled, 0);
}

TEST_F(WindowMessages, CallsAndCloseRunOnTheWindowThread) {
  ProbeWindow window;
  ASSERT_TRUE(window.Create(0, 0, 50, 50));
  const auto mainThread = std::this_thread::get_id();
  std::atomic<bool> ranOnMain{false};
  std::optional<std::intptr_t> answer;
  std::thread worker([&, ref = window.ref()] {
    ref.PostCall([&] { ranOnMain = std::this_thread::get_id() == mainThread; });
    answer = ref.SendCall([] { return std::intptr_t{7}; });
    ref.PostClose();
  });
  ASSERT_TRUE(plat::DispatchUntil([&] { return !window.log.empty(); }, 10000));
  worker.join();
  EXPECT_TRUE(ranOnMain);
  EXPECT_EQ(answer, 7);
  EXPECT_EQ(window.log, std::vector<std::string>{"close"});
}

TEST_F(WindowMessages, InvalidateFromAnotherThreadRepaints) {
  ProbeWindow window;
  ASSERT_TRUE(window.Create(0, 0, 50, 50));
  window.Show();
  plat::DispatchPending();
  const int before = window.paints;
  std::thread([ref = window.ref()] { ref.Invalidate(false); }).join();
  ASSERT_TRUE(plat::DispatchUntil([&] { return window.paints > before; }, 10000));
}

// A dialog whose control ends it.
class Box : public ProbeWindow {
 public:
  ProbeControl ok;
  int result = 0;
  bool Open(plat::Window* owner, int endWith) {
    if (!ProbeWindow::Create(100, 100, 200, 100, owner)) return false;
    result = endWith;
    ok.Create(*this, 1, plat::Rect::FromSize(10, 60, 50, 20));
    ok.onUp = [this] { EndDialog(result); };
    return true;
  }
};

TEST_F(WindowMessages, ModalLoopsNestAndDisableTheirOwners) {
  ProbeWindow main;
  ASSERT_TRUE(main.Create(0, 0, 400, 300));
  main.Show();
  Box outer;
  Box inner;
  ASSERT_TRUE(outer.Open(&main, 3));
  ASSERT_TRUE(inner.Open(&outer, 7));

  std::vector<std::string> seen;
  int innerResult = 0;
  // Once the outer loop runs, open the inner box from a handler.
  outer.ref().PostCall([&] {
    seen.push_back(std::string("outer: main ") + (main.IsEnabled() ? "on" : "off"));
    plat::headless::Click(inner, {20, 70});
    innerResult = inner.RunModal();
    seen.push_back(std::string("inner done: outer ") + (outer.IsEnabled() ? "on" : "off") +
                   ", main " + (main.IsEnabled() ? "on" : "off") + ", inner " +
                   (inner.IsVisible() ? "shown" : "hidden"));
    plat::headless::Click(main, {5, 5});  // dropped: main is disabled
    plat::headless::Click(outer, {20, 70});
  });
  inner.ref().PostCall([&] {
    seen.push_back(std::string("inner: outer ") + (outer.IsEnabled() ? "on" : "off") +
                   (plat::headless::IsOnTop(inner) ? ", inner on top" : ""));
  });

  const int outerResult = outer.RunModal();
  EXPECT_EQ(innerResult, 7);
  EXPECT_EQ(outerResult, 3);
  EXPECT_TRUE(main.IsEnabled());
  EXPECT_FALSE(outer.IsVisible());
  EXPECT_TRUE(main.log.empty());
  EXPECT_EQ(seen, (std::vector<std::string>{"outer: main off", "inner: outer off, inner on top",
                                            "inner done: outer on, main off, inner hidden"}));
}

TEST_F(WindowMessages, ModalLoopEndingsTable) {
  ProbeWindow main;
  ASSERT_TRUE(main.Create(0, 0, 400, 300));
  {  // ended before it runs: returns at once, never shown
    Box box;
    ASSERT_TRUE(box.Open(&main, 0));
    box.EndDialog(9);
    EXPECT_EQ(box.RunModal(), 9);
    EXPECT_TRUE(main.IsEnabled());
  }
  {  // the close command ends it with 2 by default
    plat::Window plain;
    ASSERT_TRUE(plain.Create(plat::Rect::FromSize(0, 0, 10, 10), &main));
    plain.ref().PostClose();
    EXPECT_EQ(plain.RunModal(), 2);
  }
  {  // destroyed while it runs: -1, the owner enabled again
    Box box;
    ASSERT_TRUE(box.Open(&main, 0));
    box.ref().PostCall([&] { box.Destroy(); });
    EXPECT_EQ(box.RunModal(), -1);
    EXPECT_TRUE(main.IsEnabled());
  }
  {  // not on the window thread: refused
    Box box;
    ASSERT_TRUE(box.Open(&main, 0));
    int fromWorker = 0;
    std::thread([&] { fromWorker = box.RunModal(); }).join();
    EXPECT_EQ(fromWorker, -1);
  }
}

TEST_F(WindowMessages, WorkerGetsAModalAnswerThroughTheWindowThread) {
  // A message box asked for on a worker runs on the window thread while the
  // worker waits for its result.
  ProbeWindow main;
  ASSERT_TRUE(main.Create(0, 0, 400, 300));
  main.Show();
  Box box;
  ASSERT_TRUE(box.Open(&main, 6));
  std::atomic<bool> done{false};
  std::optional<std::intptr_t> answer;
  std::thread worker([&, ref = main.ref()] {
    answer = ref.SendCall([&] {
      plat::headless::Click(box, {20, 70});
      return std::intptr_t{box.RunModal()};
    });
    done = true;
  });
  // The window thread only polls, as a close sequence waiting for the worker does.
  for (int i = 0; i < 10000 && !done; ++i) plat::SleepMs(1);
  worker.join();
  EXPECT_EQ(answer, 6);
}

}  // namespace
