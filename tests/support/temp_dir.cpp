#include "tests/support/temp_dir.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <random>
#include <stdexcept>
#include <string>

namespace testsupport {

TempDir::TempDir() {
  // A fresh name the folder is created under; create_directory fails on one
  // that is taken, as mkdtemp does.
  std::random_device random;
  const auto base = std::filesystem::temp_directory_path();
  for (int attempt = 0; attempt < 100; ++attempt) {
    char name[32];
    std::snprintf(name, sizeof name, "swaymo-test-%08x", static_cast<unsigned>(random()));
    std::error_code error;
    if (std::filesystem::create_directory(base / name, error)) {
      path_ = base / name;
      return;
    }
  }
  throw std::runtime_error("cannot create a temporary folder");
}

TempDir::~TempDir() {
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

std::filesystem::path TempDir::Write(const std::filesystem::path& relative,
                                     std::string_view content) const {
  const auto full = path_ / relative;
  std::filesystem::create_directories(full.parent_path());
  std::ofstream out(full, std::ios::binary);
  out.write(content.data(), static_cast<std::streamsize>(content.size()));
  return full;
}

}  // namespace testsupport
