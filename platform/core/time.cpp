#include "platform/core/time.h"

#include <algorithm>
#include <thread>

namespace plat {
namespace {
thread_local WaitServer tWaitServer;
}

std::uint64_t TickMs() {
  using namespace std::chrono;
  return static_cast<std::uint64_t>(
      duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

void SleepMs(unsigned ms) {
  using Clock = std::chrono::steady_clock;
  const auto deadline = Clock::now() + std::chrono::milliseconds(ms);
  if (tWaitServer) tWaitServer(deadline);
  // Windows' timers may wake a little early: never return before the time.
  while (Clock::now() < deadline) std::this_thread::sleep_until(deadline);
}

bool PollUntil(const std::function<bool()>& done, unsigned timeoutMs, unsigned stepMs) {
  const std::uint64_t end = timeoutMs == kForever ? UINT64_MAX : TickMs() + timeoutMs;
  while (!done()) {
    const std::uint64_t now = TickMs();
    if (now >= end) return false;
    SleepMs(static_cast<unsigned>(std::min<std::uint64_t>(end - now, stepMs)));
  }
  return true;
}

bool SleepUnlessSet(const std::atomic<bool>& flag, unsigned ms, unsigned stepMs) {
  return !PollUntil([&flag] { return flag.load(); }, ms, stepMs);
}

void SetThreadWaitServer(WaitServer server) {
  tWaitServer = std::move(server);
}

}  // namespace plat
