#include <sys/stat.h>

#include "platform/fs/drive_paths.h"
#include "platform/fs/drive_place.h"

// A letter leads to its mount point, the mount table's device for it, and the
// device its root folder reports when opened.

namespace plat::fsdetail {
namespace {

std::optional<DrivePlace> PlaceOf(const DriveTable::Drive& drive, int rootFd) {
  struct stat st {};
  if (fstat(rootFd, &st) != 0) return std::nullopt;
  return DrivePlace{drive.root, drive.device, static_cast<std::uint64_t>(st.st_dev)};
}

}  // namespace

std::optional<DrivePlace> PlaceOfLetter(wchar_t letter) {
  const DriveTable drives = DriveTable::Current();
  const DriveTable::Drive* drive = drives.Find(letter);
  if (drive == nullptr) return std::nullopt;
  const Fd root = OpenDriveRoot(*drive);
  if (!root) return std::nullopt;
  return PlaceOf(*drive, root.get());
}

bool PinAllowsWrite(wchar_t letter, const DriveTable::Drive& drive, int rootFd) {
  return PinAllows(letter, PlaceOf(drive, rootFd));
}

}  // namespace plat::fsdetail
