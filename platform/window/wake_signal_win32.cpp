#include <windows.h>

#include "platform/window/wake_signal.h"

namespace plat::detail {
namespace {

HANDLE AsHandle(std::intptr_t handle) {
  return reinterpret_cast<HANDLE>(handle);
}

}  // namespace

// An auto-reset event: one wait lowers it again.
WakeSignal::WakeSignal()
    : handle_(reinterpret_cast<std::intptr_t>(CreateEventW(nullptr, FALSE, FALSE, nullptr))) {}

WakeSignal::~WakeSignal() {
  if (handle_) CloseHandle(AsHandle(handle_));
}

void WakeSignal::Raise() {
  if (handle_) SetEvent(AsHandle(handle_));
}

void WakeSignal::Wait(int fd, int timeoutMs) {
  const DWORD timeout = timeoutMs < 0 ? INFINITE : static_cast<DWORD>(timeoutMs);
  HANDLE own = AsHandle(handle_);
  if (fd < 0) {
    // Messages wait for the loop: a wait that serves only the layer's own
    // sends must not spin on them.
    if (own) WaitForSingleObject(own, timeout);
    return;
  }
  // MWMO_INPUTAVAILABLE: messages that are already queued end the wait too,
  // not only those that arrive from now on.
  MsgWaitForMultipleObjectsEx(own ? 1 : 0, own ? &own : nullptr, timeout, QS_ALLINPUT,
                              MWMO_INPUTAVAILABLE);
}

}  // namespace plat::detail
