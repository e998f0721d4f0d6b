#include "platform/fs/file_faults.h"

#include <atomic>

namespace plat {
namespace {

std::atomic<FileFaults*> gFaults{nullptr};

}  // namespace

FileFaults* SetFileFaults(FileFaults* faults) {
  return gFaults.exchange(faults);
}

FileFaults* CurrentFileFaults() {
  return gFaults.load();
}

}  // namespace plat
