#include "tests/support/tmpfs_mount.h"

#include <sys/mount.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace testsupport {

TmpfsMount::TmpfsMount(const std::string& options, const std::filesystem::path& parent) {
  const auto base = parent.empty() ? std::filesystem::temp_directory_path() : parent;
  std::string pattern = (base / "swaymo-tmpfs-XXXXXX").string();
  if (mkdtemp(pattern.data()) == nullptr) {
    reason_ = "cannot make a mount point under " + base.string() + ": " + std::strerror(errno);
    return;
  }
  path_ = pattern;
  if (mount("tmpfs", path_.c_str(), "tmpfs", 0, options.c_str()) != 0) {
    reason_ = "cannot mount tmpfs (" + options + "): " + std::strerror(errno) +
              " (these tests need root)";
    return;
  }
  mounted_ = true;
}

TmpfsMount::~TmpfsMount() {
  if (mounted_) umount2(path_.c_str(), MNT_DETACH);
  if (!path_.empty()) {
    std::error_code ignored;
    std::filesystem::remove(path_, ignored);
  }
}

}  // namespace testsupport
