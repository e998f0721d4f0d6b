#pragma once
// Faults for the safe write (platform/fs/file_faults.h), set for the life of
// the fixture: each call fails with the errno value given (0: goes ahead);
// writes fail with ENOSPC once writeLimit bytes are written and take at most
// chunk bytes at a time (0: all they are given). onWrite, when
// set, runs before every write (to pull a stick out in the middle, say).
#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdint>
#include <functional>
#include <limits>

#include "platform/fs/file_faults.h"

namespace testsupport {

class ScriptedFaults : public plat::FileFaults {
 public:
  static constexpr std::uint64_t kNoLimit = std::numeric_limits<std::uint64_t>::max();

  int create = 0;
  int write = 0;
  std::uint64_t writeLimit = kNoLimit;
  std::size_t chunk = 0;
  int fsync = 0;
  int rename = 0;
  std::function<void()> onWrite;
  std::atomic<int> writes{0};

  ScriptedFaults() : previous_(plat::SetFileFaults(this)) {}
  ~ScriptedFaults() override { plat::SetFileFaults(previous_); }
  ScriptedFaults(const ScriptedFaults&) = delete;
  ScriptedFaults& operator=(const ScriptedFaults&) = delete;

  int OnCreate() override { return create; }
  int OnWrite(std::uint64_t offset, std::size_t& size) override {
    ++writes;
    if (onWrite) onWrite();
    if (write != 0) return write;
    if (offset >= writeLimit) return ENOSPC;
    size = static_cast<std::size_t>(std::min<std::uint64_t>(size, writeLimit - offset));
    if (chunk != 0) size = std::min(size, chunk);
    return 0;
  }
  int OnFsync() override { return fsync; }
  int OnRename() override { return rename; }

 private:
  plat::FileFaults* previous_;
};

}  // namespace testsupport
