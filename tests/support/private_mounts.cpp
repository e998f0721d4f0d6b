#include "tests/support/private_mounts.h"

#include <sched.h>
#include <sys/mount.h>

#include <cerrno>
#include <cstring>

namespace testsupport {
namespace {

std::string EnterPrivateMounts() {
  if (unshare(CLONE_NEWNS) != 0)
    return std::string("cannot enter a mount namespace of its own: ") + std::strerror(errno);
  // Mounts made here must not travel back to the namespace it came from.
  if (mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0)
    return std::string("cannot make the mounts private: ") + std::strerror(errno);
  return {};
}

// Before main: no thread has been started yet.
const std::string gFailure = EnterPrivateMounts();

}  // namespace

const std::string& PrivateMountsFailure() {
  return gFailure;
}

}  // namespace testsupport
