#pragma once
// A fresh folder under the system's temporary folder, removed with everything
// in it when the fixture goes out of scope.
#include <filesystem>

namespace testsupport {

class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::filesystem::path& path() const { return path_; }
  // Writes a file below the folder (creating parents) and returns its path.
  std::filesystem::path Write(const std::filesystem::path& relative,
                              std::string_view content) const;

 private:
  std::filesystem::path path_;
};

}  // namespace testsupport
