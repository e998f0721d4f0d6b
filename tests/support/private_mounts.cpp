#include "tests/support/private_mounts.h"

#include <sched.h>
#include <sys/mount.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sstream>
#include <string>
#include <vector>

namespace testsupport {
namespace {

// The namespace starts as a copy of the one it came from, with the mounts
// that other test processes had made at that moment (their sticks would be
// found here as drives): those are detached from this copy.
void DetachOtherTestsMounts() {
  std::FILE* table = std::fopen("/proc/self/mountinfo", "re");
  if (table == nullptr) return;
  std::vector<std::string> theirs;
  char* line = nullptr;
  std::size_t capacity = 0;
  while (getline(&line, &capacity, table) > 0) {
    std::istringstream fields(line);
    std::string id, parent, device, root, mountPoint;
    fields >> id >> parent >> device >> root >> mountPoint;
    const std::string name = mountPoint.substr(mountPoint.rfind('/') + 1);
    if (name.starts_with("swaymo-")) theirs.push_back(mountPoint);
  }
  std::free(line);
  std::fclose(table);
  // Deepest first.
  std::sort(theirs.begin(), theirs.end(),
            [](const std::string& a, const std::string& b) { return a.size() > b.size(); });
  for (const std::string& mountPoint : theirs) umount2(mountPoint.c_str(), MNT_DETACH);
}

std::string EnterPrivateMounts() {
  if (unshare(CLONE_NEWNS) != 0)
    return std::string("cannot enter a mount namespace of its own: ") + std::strerror(errno);
  // Mounts made here must not travel back to the namespace it came from.
  if (mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0)
    return std::string("cannot make the mounts private: ") + std::strerror(errno);
  DetachOtherTestsMounts();
  return {};
}

// Before main: no thread has been started yet.
const std::string gFailure = EnterPrivateMounts();

}  // namespace

const std::string& PrivateMountsFailure() {
  return gFailure;
}

}  // namespace testsupport
