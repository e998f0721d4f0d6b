#include <windows.h>

#include "platform/fs/drive_place.h"

// A letter leads to a volume: its name (the GUID path) where the mount manager
// knows it, and the serial number of its file system.

namespace plat::fsdetail {

std::optional<DrivePlace> PlaceOfLetter(wchar_t letter) {
  const wchar_t root[] = {letter, L':', L'\\', L'\0'};
  DWORD serial = 0;
  if (!GetVolumeInformationW(root, nullptr, 0, &serial, nullptr, nullptr, nullptr, 0)) {
    return std::nullopt;
  }
  DrivePlace place;
  place.fileSystem = serial;
  wchar_t name[64];
  if (GetVolumeNameForVolumeMountPointW(root, name, 64)) place.root = name;
  return place;
}

}  // namespace plat::fsdetail
