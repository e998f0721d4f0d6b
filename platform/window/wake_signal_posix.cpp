#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include "platform/window/wake_signal.h"

namespace plat::detail {

WakeSignal::WakeSignal() : handle_(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {}

WakeSignal::~WakeSignal() {
  if (handle_ >= 0) close(static_cast<int>(handle_));
}

void WakeSignal::Raise() {
  const std::uint64_t one = 1;
  if (handle_ < 0) return;
  [[maybe_unused]] const auto written = write(static_cast<int>(handle_), &one, sizeof one);
}

void WakeSignal::Wait(int fd, int timeoutMs) {
  const int own = static_cast<int>(handle_);
  pollfd fds[2] = {{own, POLLIN, 0}, {fd, POLLIN, 0}};
  const int count = fd >= 0 ? 2 : 1;
  if (poll(fds, count, timeoutMs) > 0 && (fds[0].revents & POLLIN)) {
    std::uint64_t value;
    [[maybe_unused]] auto n = read(own, &value, sizeof value);
  }
}

}  // namespace plat::detail
