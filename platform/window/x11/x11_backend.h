#pragma once
// The X11 backend's entry. Internal.
#include <memory>
#include <string>

#include "platform/window/backend.h"

namespace plat::detail {

// Connects to $DISPLAY; null, with the reason in *error, when it cannot.
std::unique_ptr<Backend> CreateX11Backend(std::string* error);

}  // namespace plat::detail
