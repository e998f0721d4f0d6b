#include "platform/window/x11/x11_backend.h"

namespace plat::detail {

std::unique_ptr<Backend> CreateX11Backend(std::string* error) {
  if (error) *error = "this build has no X11 display support yet";
  return nullptr;
}

}  // namespace plat::detail
