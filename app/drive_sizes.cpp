#include "app/drive_sizes.h"

#include <map>
#include <mutex>
#include <set>
#include <thread>

#include "device/psp_locator.h"

struct DriveSizes::State {
  mutable std::mutex lock;
  std::map<wchar_t, Sizes> sizes;
  std::set<wchar_t> measuring;
};

DriveSizes::DriveSizes() : state_(std::make_shared<State>()) {}

void DriveSizes::MeasureLater(wchar_t letter, std::function<void(wchar_t)> done) {
  {
    std::lock_guard lock(state_->lock);
    if (!state_->measuring.insert(letter).second) return;
  }
  // Detached: a measurement that hangs keeps nothing else waiting, and the
  // state it records into lives as long as it does.
  std::thread([state = state_, letter, done = std::move(done)] {
    Sizes sizes;
    sizes.answered = CPSPLocator::QueryDriveSpace(letter, &sizes.totalBytes, &sizes.freeBytes) == 0;
    {
      std::lock_guard lock(state->lock);
      state->sizes[letter] = sizes;
      state->measuring.erase(letter);
    }
    if (done) done(letter);
  }).detach();
}

void DriveSizes::Record(wchar_t letter, const Sizes& sizes) {
  std::lock_guard lock(state_->lock);
  state_->sizes[letter] = sizes;
}

std::optional<DriveSizes::Sizes> DriveSizes::Find(wchar_t letter) const {
  std::lock_guard lock(state_->lock);
  const auto it = state_->sizes.find(letter);
  if (it == state_->sizes.end()) return std::nullopt;
  return it->second;
}

void DriveSizes::Clear() {
  std::lock_guard lock(state_->lock);
  state_->sizes.clear();
}
