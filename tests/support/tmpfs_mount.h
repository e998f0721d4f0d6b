#pragma once
// A small tmpfs mounted on a fresh folder for the life of the fixture (needs
// root). Tests call Mounted() and skip with Reason() when it failed.
#include <filesystem>
#include <string>

namespace testsupport {

class TmpfsMount {
 public:
  // options as for mount -o, e.g. "size=1m". parent: where the mount point
  // folder is made (the system's temporary folder when empty).
  explicit TmpfsMount(const std::string& options, const std::filesystem::path& parent = {});
  ~TmpfsMount();
  TmpfsMount(const TmpfsMount&) = delete;
  TmpfsMount& operator=(const TmpfsMount&) = delete;

  bool Mounted() const { return mounted_; }
  const std::string& Reason() const { return reason_; }
  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
  bool mounted_ = false;
  std::string reason_;
};

}  // namespace testsupport
