#include "tests/support/tmpfs_mount.h"

#include <sys/mount.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "tests/support/private_mounts.h"

namespace testsupport {

TmpfsMount::TmpfsMount(const std::string& options, const std::filesystem::path& parent)
    : options_(options) {
  const auto base = parent.empty() ? std::filesystem::temp_directory_path() : parent;
  std::string pattern = (base / "swaymo-tmpfs-XXXXXX").string();
  if (mkdtemp(pattern.data()) == nullptr) {
    reason_ = "cannot make a mount point under " + base.string() + ": " + std::strerror(errno);
    return;
  }
  path_ = pattern;
  Mount();
}

TmpfsMount::~TmpfsMount() {
  Unmount();
}

bool TmpfsMount::Mount() {
  if (!PrivateMountsFailure().empty()) {
    // A mount made outside a namespace of its own outlives an aborted test.
    reason_ = PrivateMountsFailure();
    return false;
  }
  if (mount("tmpfs", path_.c_str(), "tmpfs", 0, options_.c_str()) != 0) {
    reason_ = "cannot mount tmpfs (" + options_ + "): " + std::strerror(errno) +
              " (these tests need root)";
    return false;
  }
  mounted_ = true;
  return true;
}

bool TmpfsMount::MakeReadOnly() {
  return mounted_ &&
         mount("tmpfs", path_.c_str(), "tmpfs", MS_REMOUNT | MS_RDONLY, options_.c_str()) == 0;
}

void TmpfsMount::Unmount() {
  if (mounted_) umount2(path_.c_str(), MNT_DETACH);
  mounted_ = false;
  if (!path_.empty()) {
    std::error_code ignored;
    std::filesystem::remove(path_, ignored);
  }
}

bool TmpfsMount::Remount() {
  if (mounted_ || path_.empty()) return false;
  std::error_code ignored;
  std::filesystem::create_directory(path_, ignored);
  return Mount();
}

}  // namespace testsupport
