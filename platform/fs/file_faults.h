#pragma once
// A seam for tests: the system calls of WriteFileSafely (files.h) ask here
// first, so a test can make them fail as a broken, full, read-only or pulled
// stick would. The program itself never sets any faults.
#include <cstddef>
#include <cstdint>

namespace plat {

class FileFaults {
 public:
  virtual ~FileFaults() = default;
  // Each returns 0 to let the call go ahead, or the errno value it fails with.
  virtual int OnCreate() { return 0; }  // the temporary file beside the target
  // offset: the bytes written before; size may be lowered for a short write.
  virtual int OnWrite(std::uint64_t /*offset*/, std::size_t& /*size*/) { return 0; }
  virtual int OnFsync() { return 0; }
  virtual int OnRename() { return 0; }
};

// Puts faults in the way of every later safe write of the process (null: no
// faults) and returns those set before. The caller keeps them alive while set.
FileFaults* SetFileFaults(FileFaults* faults);
// The faults set now (null: none), for the safe write itself.
FileFaults* CurrentFileFaults();

}  // namespace plat
