#pragma once
// A FAT file system in an image file, mounted through FUSE (fusefat) on a
// fresh folder for the life of the fixture, as a desktop mounts a stick.
// mtools reads the image itself once it is unmounted. Needs root, /dev/fuse
// and the dosfstools, fusefat and mtools programs; tests call Mounted() and
// skip with Reason() when something is missing.
#include <sys/types.h>

#include <filesystem>
#include <initializer_list>
#include <string>

#include "tests/support/temp_dir.h"

namespace testsupport {

class FatImage {
 public:
  // An image of kib KiB holding the folders (mtools paths, "psp/game"),
  // mounted in a new folder under parent.
  FatImage(unsigned kib, std::initializer_list<const char*> folders,
           const std::filesystem::path& parent);
  ~FatImage();
  FatImage(const FatImage&) = delete;
  FatImage& operator=(const FatImage&) = delete;

  bool Mounted() const { return pid_ > 0; }
  const std::string& Reason() const { return reason_; }
  const std::filesystem::path& path() const { return mountPoint_; }

  // Unmounts and waits for the file system to be written out.
  void Unmount();
  // Runs an mtools command (e.g. "mtype") on the image path ("::psp/x"),
  // with its output; false when it fails.
  bool Mtools(const std::string& command, const std::string& path, std::string* output) const;

 private:
  TempDir dir_;
  std::filesystem::path image_;
  std::filesystem::path mountPoint_;
  pid_t pid_ = -1;
  std::string reason_;
};

}  // namespace testsupport
