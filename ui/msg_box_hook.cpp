#include "ui/msg_box_hook.h"

#include <mutex>

#include "platform/window/display.h"
#include "platform/window/window.h"
#include "ui/msg_box.h"

namespace {

std::mutex gOwnerMutex;
plat::Window* gOwner = nullptr;  // used on the window thread only
plat::WindowRef gOwnerRef;       // how other threads reach it

// On the window thread.
int RunBox(const std::wstring& text, unsigned type) {
  plat::Window* owner = nullptr;
  {
    std::lock_guard lock(gOwnerMutex);
    owner = gOwner;
  }
  if (owner == nullptr) return 0;
  CMsgBox box(owner, type, text);
  const int result = box.DoModal();
  return result < 0 ? 0 : result;
}

}  // namespace

void SetMessageBoxOwner(plat::Window* mainWindow) {
  std::lock_guard lock(gOwnerMutex);
  gOwner = mainWindow;
  gOwnerRef = mainWindow != nullptr ? mainWindow->ref() : plat::WindowRef();
}

int ShowSkinnedMessageBox(const std::wstring& text, unsigned type) {
  if (plat::IsWindowThread()) return RunBox(text, type);
  plat::WindowRef owner;
  {
    std::lock_guard lock(gOwnerMutex);
    owner = gOwnerRef;
  }
  if (!owner) return 0;
  // The worker waits here until the user has answered on the window's thread.
  const std::optional<std::intptr_t> result =
      owner.SendCall([&text, type] { return static_cast<std::intptr_t>(RunBox(text, type)); });
  return result ? static_cast<int>(*result) : 0;
}
