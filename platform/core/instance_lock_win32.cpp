#include <windows.h>

#include <string>

#include "platform/core/instance_lock.h"
#include "platform/core/wide_text.h"

namespace plat {

InstanceLock::InstanceLock(std::string_view name) {
  // Backslashes would name a kernel object namespace.
  std::wstring objectName = DecodeUtf8(name);
  for (wchar_t& c : objectName) {
    if (c == L'\\') c = L'_';
  }
  HANDLE mutex = CreateMutexW(nullptr, FALSE, objectName.c_str());
  if (mutex == nullptr) {
    // An object of that name that is not a mutex, or one we may not open:
    // someone holds the name.
    anotherRuns_ = GetLastError() == ERROR_ACCESS_DENIED || GetLastError() == ERROR_INVALID_HANDLE;
    return;
  }
  if (GetLastError() == ERROR_ALREADY_EXISTS) {
    CloseHandle(mutex);
    anotherRuns_ = true;
    return;
  }
  mutex_ = mutex;
  held_ = true;
}

InstanceLock::~InstanceLock() {
  if (mutex_ != nullptr) CloseHandle(mutex_);
}

}  // namespace plat
