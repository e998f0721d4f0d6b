#pragma once
// Where a drive letter leads, as the drive pin remembers it: what each
// platform can tell about a drive's root that changes when another drive
// takes the letter. Internal to the fs layer.
#include <cstdint>
#include <filesystem>
#include <optional>

namespace plat::fsdetail {

struct DrivePlace {
  std::filesystem::path root;           // the mount point; on Windows the volume's name
  std::optional<std::uint64_t> device;  // the mount table's device, where there is one
  std::uint64_t fileSystem = 0;         // the root's device number; on Windows the volume's serial
  friend bool operator==(const DrivePlace&, const DrivePlace&) = default;
};

// Where letter (upper case) leads now; nullopt when it leads nowhere.
std::optional<DrivePlace> PlaceOfLetter(wchar_t letter);

// drive_pin.cpp: whether a write through letter, whose root is at place, may
// go on: the letter is not the pinned one, or it still leads where it did.
bool PinAllows(wchar_t letter, const std::optional<DrivePlace>& place);

}  // namespace plat::fsdetail
