#pragma once
// The entry of the backend that shows windows on the real screen: X11 on
// Linux, Win32 on Windows. Internal.
#include <memory>
#include <string>

#include "platform/window/backend.h"

namespace plat::detail {

// Null, with the reason in *error, when the screen cannot be used.
std::unique_ptr<Backend> CreateScreenBackend(std::string* error);

}  // namespace plat::detail
