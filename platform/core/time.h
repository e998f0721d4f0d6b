#pragma once
// Monotonic milliseconds and sleeping (stands in for GetTickCount and Sleep).
#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>

namespace plat {

// Milliseconds since an arbitrary fixed point; never goes backwards.
std::uint64_t TickMs();

// Sleeps for ms. On a thread that has a wait server (the window thread), the
// server runs instead until the time is up, so work other threads are blocked
// on (a synchronous send to a window) is still done while this thread polls.
void SleepMs(unsigned ms);

// Asks done, then sleeps at most stepMs and asks again, until done says yes
// (true) or timeoutMs have passed (false). kForever waits as long as it takes.
inline constexpr unsigned kForever = ~0u;
bool PollUntil(const std::function<bool()>& done, unsigned timeoutMs, unsigned stepMs);

// Sleeps for ms in steps of at most stepMs, ending early once flag is set;
// false when the flag cut the sleep short.
bool SleepUnlessSet(const std::atomic<bool>& flag, unsigned ms, unsigned stepMs = 50);

using WaitServer = std::function<void(std::chrono::steady_clock::time_point deadline)>;
// Installs (or, with an empty function, removes) the calling thread's server.
void SetThreadWaitServer(WaitServer server);

}  // namespace plat
