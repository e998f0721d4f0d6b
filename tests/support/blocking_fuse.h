#pragma once
// A tiny FUSE file system whose statfs blocks: a drive that hangs when asked
// for its size, as a dying stick or a stalled network mount does. It holds
// one folder, PSP. Mounted on a fresh folder in the test process's own mount
// namespace (needs root and /dev/fuse); tests skip with Reason() without.
#include <condition_variable>
#include <filesystem>
#include <mutex>
#include <string>
#include <thread>

struct fuse;

namespace testsupport {

class BlockingStatfsMount {
 public:
  BlockingStatfsMount();
  ~BlockingStatfsMount();  // releases every waiting call, then unmounts
  BlockingStatfsMount(const BlockingStatfsMount&) = delete;
  BlockingStatfsMount& operator=(const BlockingStatfsMount&) = delete;

  bool Mounted() const { return fuse_ != nullptr; }
  const std::string& Reason() const { return reason_; }
  const std::filesystem::path& path() const { return path_; }

  // Lets every statfs, waiting or to come, answer (a 1 GiB drive).
  void Release();
  // statfs calls that have arrived so far.
  int StatfsCalls() const;

  // The file system's side (called on FUSE's threads).
  int OnStatfs();

 private:
  std::filesystem::path path_;
  std::string reason_;
  fuse* fuse_ = nullptr;
  std::thread loop_;
  mutable std::mutex mutex_;
  std::condition_variable released_;
  bool isReleased_ = false;
  int calls_ = 0;
};

}  // namespace testsupport
