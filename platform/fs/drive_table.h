#pragma once
// Drive letters D..Z mapped to mount points, and the translation of
// Windows-style paths ("E:\PSP\GAME", "/opt/swaymo/\Dat\x.dat") to native ones.
#include <cstdint>
#include <filesystem>
#include <map>
#include <optional>
#include <string_view>

namespace plat {

class DriveTable {
 public:
  struct Drive {
    std::filesystem::path root;
    std::optional<std::uint64_t> capBytes;  // reported capacity limit (SWAYMO_DRIVES SIZE)
  };

  // "E=/path[:SIZE],F=/other" as in SWAYMO_DRIVES (SIZE: bytes or with K, M, G, T).
  static DriveTable FromSpec(std::string_view spec);
  // Removable media (under /media, /run/media, /mnt) of a mountinfo text,
  // lettered from D up in mount-point order.
  static DriveTable FromMountInfo(std::string_view mountinfo);

  // The process's table: SWAYMO_DRIVES when set, else /proc/self/mountinfo,
  // read again on every call so that sticks may come and go.
  static DriveTable Current();

  const Drive* Find(wchar_t letter) const;  // letter in either case
  const std::map<wchar_t, Drive>& drives() const { return drives_; }

 private:
  std::map<wchar_t, Drive> drives_;  // upper-case letters
};

// Translates a Windows-style path to a native one. "X:..." goes through the
// drive table (nullopt when the letter maps to nothing); any other path is
// native with backslashes as separators. A component that does not exist
// under its exact name resolves case-insensitively, as on FAT.
std::optional<std::filesystem::path> ToNativePath(std::wstring_view path);
std::optional<std::filesystem::path> ToNativePath(std::wstring_view path, const DriveTable& drives);

// The folder of the running program and the user's application-data folder
// ($XDG_CONFIG_HOME, else ~/.config), as wide native paths.
std::wstring ProgramFolder();
std::wstring AppDataFolder();

}  // namespace plat
