#include <windows.h>
// after windows.h
#include <shlobj.h>

#include "platform/fs/drive_table.h"

namespace plat {
namespace {

// As the framework does before the program starts: touching a drive without
// a medium, or a file that is not there, fails quietly instead of asking the
// user through a system message box.
const struct QuietDriveErrors {
  QuietDriveErrors() {
    SetErrorMode(GetErrorMode() | SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
  }
} kQuietDriveErrors;

}  // namespace

// The letters are the system's own: every drive it reports, each rooted at
// "X:\".
DriveTable DriveTable::Current() {
  DriveTable table;
  const DWORD mask = GetLogicalDrives();
  for (int i = 0; i < 26; ++i) {
    if ((mask & (DWORD{1} << i)) == 0) continue;
    const auto letter = static_cast<wchar_t>(L'A' + i);
    Drive drive;
    drive.root = std::wstring{letter, L':', L'\\'};
    table.drives_[letter] = std::move(drive);
  }
  return table;
}

const DriveTable::Drive* DriveTable::Find(wchar_t letter) const {
  if (letter >= L'a' && letter <= L'z') letter = static_cast<wchar_t>(letter - L'a' + L'A');
  const auto it = drives_.find(letter);
  return it == drives_.end() ? nullptr : &it->second;
}

std::wstring ProgramFolder() {
  wchar_t buffer[MAX_PATH];
  const DWORD length = GetModuleFileNameW(nullptr, buffer, MAX_PATH);
  if (length > 0 && length < MAX_PATH) {
    std::wstring file(buffer, length);
    const std::size_t slash = file.rfind(L'\\');
    if (slash != std::wstring::npos) return file.substr(0, slash);
  }
  std::error_code error;
  const auto cwd = std::filesystem::current_path(error);
  return error ? std::wstring() : cwd.wstring();
}

// The per-user application-data folder, created by the system when missing.
std::wstring AppDataFolder() {
  wchar_t buffer[MAX_PATH];
  if (SHGetFolderPathW(nullptr, CSIDL_APPDATA | CSIDL_FLAG_CREATE, nullptr, SHGFP_TYPE_CURRENT,
                       buffer) != S_OK) {
    return {};
  }
  return buffer;
}

}  // namespace plat
