#pragma once
// A small tmpfs mounted on a fresh folder for the life of the fixture (needs
// root), in the test process's own mount namespace (private_mounts.h). Tests
// call Mounted() and skip with Reason() when it failed.
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

  // Remounts the same file system read-only.
  bool MakeReadOnly();
  // Unmounts and removes the mount point, as when a stick is pulled out.
  void Unmount();
  // Mounts a fresh file system with the same options where the last one was.
  bool Remount();

 private:
  bool Mount();

  std::string options_;
  std::filesystem::path path_;
  bool mounted_ = false;
  std::string reason_;
};

}  // namespace testsupport
