// Under ThreadSanitizer the suites that use umockdev run with the sanitizer's
// runtime first in LD_PRELOAD (tests/CMakeLists.txt). The programs a test
// starts (openssl, python3, the shell) are not built with it and crash when it
// is preloaded into them: before main, it is taken out of the list they
// inherit. The test process itself has loaded it already.
#include <cstdlib>
#include <string>
#include <string_view>

namespace {

bool DropSanitizerRuntimeFromPreload() {
  const char* preload = std::getenv("LD_PRELOAD");
  if (preload == nullptr) return false;
  std::string kept;
  bool dropped = false;
  std::string_view rest = preload;
  while (!rest.empty()) {
    const std::size_t end = rest.find_first_of(": ");
    const std::string_view entry = rest.substr(0, end);
    rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
    if (entry.empty()) continue;
    if (entry.find("libtsan") != std::string_view::npos) {
      dropped = true;
      continue;
    }
    if (!kept.empty()) kept += ':';
    kept += entry;
  }
  if (dropped) setenv("LD_PRELOAD", kept.c_str(), 1);
  return dropped;
}

[[maybe_unused]] const bool gDropped = DropSanitizerRuntimeFromPreload();

}  // namespace
