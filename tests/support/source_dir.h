#pragma once
// The repository's folder, where tests find the program's data (dat/, res/,
// demo/).
#include <cstdlib>
#include <filesystem>

namespace testsupport {

// SWAYMO_SOURCE_DIR as ctest sets it, else the folder the tests were built from.
inline std::filesystem::path SourceDir() {
  const char* source = std::getenv("SWAYMO_SOURCE_DIR");
  return std::filesystem::path(source != nullptr ? source : SWAYMO_BUILT_FROM);
}

}  // namespace testsupport
