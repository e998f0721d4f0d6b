#pragma once
// Sizes of the drives the user chooses by hand. They are measured off the
// window's thread, so that a drive whose file system hangs never holds the
// window up; the setup worker records what it measures too.
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

class DriveSizes {
 public:
  struct Sizes {
    bool answered = false;  // false: the drive's file system did not answer
    std::uint64_t totalBytes = 0;
    std::uint64_t freeBytes = 0;
  };

  DriveSizes();

  // Measures letter (CPSPLocator::QueryDriveSpace) on a thread of its own,
  // records the sizes and then calls done(letter) on that thread. A letter
  // already being measured is not measured twice at once.
  void MeasureLater(wchar_t letter, std::function<void(wchar_t)> done);
  void Record(wchar_t letter, const Sizes& sizes);
  // What was last recorded for letter.
  std::optional<Sizes> Find(wchar_t letter) const;
  void Clear();

 private:
  struct State;
  std::shared_ptr<State> state_;  // shared with the measuring threads
};
