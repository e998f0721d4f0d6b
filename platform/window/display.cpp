#include "platform/window/display.h"

#include <algorithm>
#include <atomic>

#include "platform/core/time.h"
#include "platform/window/headless/headless_backend.h"
#include "platform/window/screen_backend.h"
#include "platform/window/window_system.h"

namespace plat {
namespace detail {
namespace {

std::unique_ptr<WindowSystem> gSystem;
std::atomic<WindowSystem*> gCurrent{nullptr};

}  // namespace

WindowSystem* System() {
  return gCurrent.load();
}

bool DispatchOne() {
  WindowSystem* s = System();
  if (!s) return false;
  if (s->queue->ServeOneSend()) return true;
  if (s->backend->DispatchNativeEvents()) return true;
  return DispatchOwnWork();
}

bool DispatchOwnWork() {
  WindowSystem* s = System();
  if (!s) return false;
  if (s->queue->ServeOneSend()) return true;
  if (s->queue->RunOnePost()) return true;
  const std::vector<Window*> windows = s->windows;
  for (Window* window : windows) {
    if (std::find(s->windows.begin(), s->windows.end(), window) == s->windows.end()) continue;
    if (WindowAccess::PaintIfDirty(*window)) return true;
  }
  return false;
}

void WaitForWork(std::optional<std::chrono::steady_clock::time_point> deadline) {
  WindowSystem* s = System();
  if (!s) return;
  const int fd = s->backend->PrepareToWait();
  if (fd == -2) return;
  s->queue->Wait(fd, deadline);
}

}  // namespace detail

bool OpenDisplay(DisplayKind kind, std::string* error) {
  using namespace detail;
  if (gSystem) {
    if (gSystem->kind == kind && IsWindowThread()) return true;
    if (error) *error = "another display is already open";
    return false;
  }
  std::unique_ptr<Backend> backend =
      kind == DisplayKind::kScreen ? CreateScreenBackend(error) : CreateHeadlessBackend();
  if (!backend) return false;
  auto system = std::make_unique<WindowSystem>();
  system->kind = kind;
  system->backend = std::move(backend);
  system->queue = std::make_shared<MessageQueue>();
  SetThreadWaitServer([queue = system->queue](std::chrono::steady_clock::time_point deadline) {
    queue->ServeSendsUntil(deadline);
  });
  gSystem = std::move(system);
  gCurrent = gSystem.get();
  return true;
}

void CloseDisplay() {
  using namespace detail;
  if (!gSystem || !IsWindowThread()) return;
  while (!gSystem->windows.empty()) gSystem->windows.back()->Destroy();
  gSystem->queue->Close();
  SetThreadWaitServer({});
  gCurrent = nullptr;
  gSystem.reset();
}

bool IsDisplayOpen() {
  return detail::System() != nullptr;
}

bool IsWindowThread() {
  detail::WindowSystem* s = detail::System();
  return s && s->queue->IsOwnerThread();
}

Rect WorkArea() {
  detail::WindowSystem* s = detail::System();
  return s ? s->backend->WorkArea() : Rect{};
}

bool RaiseWindowWithProperty(const std::string& name) {
  detail::WindowSystem* s = detail::System();
  return s && IsWindowThread() && s->backend->RaiseWindowWithProperty(name);
}

int DispatchPending() {
  if (!IsWindowThread()) return 0;
  // A worker that keeps asking faster than the window serves it would
  // otherwise hold the caller here for ever.
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(2);
  int handled = 0;
  while (detail::DispatchOne()) {
    ++handled;
    if (std::chrono::steady_clock::now() >= deadline) break;
  }
  return handled;
}

bool DispatchUntil(const std::function<bool()>& done, unsigned timeoutMs) {
  if (!IsWindowThread()) return done();
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  for (;;) {
    if (done()) return true;
    const bool handled = detail::DispatchOne();
    const auto now = std::chrono::steady_clock::now();
    if (now >= deadline) return done();  // also when work keeps coming
    if (handled) continue;
    // done() may turn true on another thread without waking the loop.
    detail::WaitForWork(std::min(deadline, now + std::chrono::milliseconds(10)));
  }
}

}  // namespace plat
