#pragma once
// A stand-in for the window a fetch reports to: it keeps every snapshot
// posted to it, with the message and the tick it arrived at.
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

#include "online/page_fetcher.h"
#include "platform/core/time.h"

class RecordingWindow : public ProgressWindow {
 public:
  struct Post {
    unsigned message;
    FetchProgress snapshot;
    std::uint64_t tick;
  };

  void PostProgress(unsigned message, std::unique_ptr<FetchProgress> snapshot) override {
    std::lock_guard lock(mutex_);
    posts_.push_back({message, *snapshot, plat::TickMs()});
  }

  std::vector<Post> Posts() const {
    std::lock_guard lock(mutex_);
    return posts_;
  }

 private:
  mutable std::mutex mutex_;
  std::vector<Post> posts_;
};
