#include "util/message_box.h"

#include <mutex>

namespace {
std::mutex gHookMutex;
MessageBoxHook gHook;
}  // namespace

void SetMessageBoxHook(MessageBoxHook hook) {
  std::lock_guard lock(gHookMutex);
  gHook = std::move(hook);
}

int ShowMessageBox(const std::wstring& text, unsigned type) {
  MessageBoxHook hook;
  {
    std::lock_guard lock(gHookMutex);
    hook = gHook;
  }
  return hook ? hook(text, type) : 0;
}
