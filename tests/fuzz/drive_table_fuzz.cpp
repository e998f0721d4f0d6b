// Drive tables from a drive list (SWAYMO_DRIVES) and from two mount tables in
// a row (stable letters), then where a Windows-style path leads: a path on a
// drive never leads outside that drive's root.
// Input: the drive list or first mount table up to the first 0 byte, the
// second mount table up to the next, then the path in UTF-8. The path is
// resolved on drive E:, a real folder with a few folders, a file and links
// leading out.
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>

#include "platform/core/wide_text.h"
#include "platform/fs/drive_paths.h"
#include "platform/fs/drive_table.h"

namespace {

namespace fs = std::filesystem;

fs::path gStick;

void RemoveStick() {
  std::error_code ignored;
  fs::remove_all(gStick.parent_path(), ignored);
}

// Whether path lies at or below root.
bool Beneath(const fs::path& path, const fs::path& root) {
  const fs::path relative = path.lexically_normal().lexically_relative(root.lexically_normal());
  if (relative.empty()) return false;
  for (const auto& part : relative)
    if (part == "..") return false;
  return true;
}

std::string_view Next(std::string_view& rest) {
  const std::size_t end = rest.find('\0');
  const std::string_view part = rest.substr(0, end);
  rest = end == std::string_view::npos ? std::string_view{} : rest.substr(end + 1);
  return part;
}

void CheckTable(const plat::DriveTable& table, wchar_t first) {
  for (const auto& [letter, drive] : table.drives()) {
    if (letter < first || letter > L'Z') std::abort();
    if (drive.root.empty()) std::abort();
  }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  std::string pattern = (fs::temp_directory_path() / "swaymo-fuzz-XXXXXX").string();
  if (mkdtemp(pattern.data()) == nullptr) std::abort();
  gStick = fs::path(pattern) / "stick";
  fs::create_directories(gStick / "PSP" / "GAME" / "UPDATE");
  fs::create_directories(gStick / "SWAYMO");
  fs::create_directories(fs::path(pattern) / "outside");
  std::ofstream(gStick / "SWAYMO" / "Language.bin") << '\0';
  fs::create_directory_symlink(fs::path(pattern) / "outside", gStick / "out");
  fs::create_directory_symlink("..", gStick / "PSP" / "up");
  fs::create_symlink("/etc/passwd", gStick / "SWAYMO" / "passwd");
  std::atexit(RemoveStick);
  setenv("SWAYMO_DRIVES", ("E=" + gStick.string()).c_str(), 1);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string_view rest(reinterpret_cast<const char*>(data), size);
  const std::string_view first = Next(rest);
  const std::string_view second = Next(rest);
  const std::wstring path = plat::DecodeUtf8(rest);

  CheckTable(plat::DriveTable::FromSpec(first), L'A');
  const plat::DriveTable before = plat::DriveTable::FromMountInfo(first);
  const plat::DriveTable after = plat::DriveTable::FromMountInfo(second, before);
  CheckTable(before, L'D');
  CheckTable(after, L'D');
  // A mount still there (same mount point, same device) keeps its letter.
  for (const auto& [letter, drive] : before.drives()) {
    for (const auto& [newLetter, newDrive] : after.drives()) {
      if (newDrive.root == drive.root && newDrive.device == drive.device && newLetter != letter)
        std::abort();
    }
  }

  for (const auto purpose : {plat::fsdetail::Purpose::kLook, plat::fsdetail::Purpose::kWrite}) {
    const auto at = plat::fsdetail::Locate(path, purpose);
    if (!at || !at->onDrive) continue;
    // The folder that holds the entry, as the kernel names it.
    std::error_code error;
    const fs::path folder =
        fs::read_symlink("/proc/self/fd/" + std::to_string(at->folder.get()), error);
    if (error || !Beneath(folder, gStick)) std::abort();
    if (at->name == "." || at->name == ".." || at->name.find('/') != std::string::npos)
      std::abort();
  }
  return 0;
}
