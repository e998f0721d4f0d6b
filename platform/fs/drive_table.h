#pragma once
// Drive letters D..Z mapped to mount points (stands in for the drive letters
// of GetLogicalDrives). Discovered drives are the FAT media mounts of the
// mount table; a mount keeps its letter while it stays mounted.
#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace plat {

class DriveTable {
 public:
  struct Drive {
    std::filesystem::path root;
    std::optional<std::uint64_t> capBytes;  // reported capacity limit (SWAYMO_DRIVES SIZE)
    std::optional<std::uint64_t> device;    // the mount's device number (discovered drives)
  };

  // "E=/path[:SIZE],F=/other" as in SWAYMO_DRIVES (SIZE: bytes or with K, M, G, T).
  static DriveTable FromSpec(std::string_view spec);
  // The FAT file systems (vfat, msdos, fuse.fusefat) mounted whole under
  // /media, /run/media or /mnt in a mountinfo text. Mounts of previous (same
  // mount point, same device) keep their letters; the others take the lowest
  // free letters from D up, in mount-point order.
  static DriveTable FromMountInfo(std::string_view mountinfo, const DriveTable& previous = {});

  // The process's table: SWAYMO_DRIVES (letters fixed as given) when set, else
  // the mount table, read again on every call so that sticks may come and go.
  static DriveTable Current();

  const Drive* Find(wchar_t letter) const;  // letter in either case
  const std::map<wchar_t, Drive>& drives() const { return drives_; }

 private:
  std::map<wchar_t, Drive> drives_;  // upper-case letters
};

// Tests: Current() reads its mount table from source instead of
// /proc/self/mountinfo (an empty function: from there again), and forgets
// the letters it gave so far.
void SetMountTableSource(std::function<std::string()> source);

// The folder of the running program and the user's application-data folder
// ($XDG_CONFIG_HOME, else ~/.config), as wide native paths.
std::wstring ProgramFolder();
std::wstring AppDataFolder();

}  // namespace plat
