#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdint>
#include <memory>
#include <string>

#include "platform/fs/drive_pin.h"
#include "platform/fs/drive_table.h"
#include "platform/fs/file_faults.h"
#include "platform/fs/files.h"

namespace plat {
namespace {

struct HandleCloser {
  void operator()(HANDLE h) const { CloseHandle(h); }
};
using Handle = std::unique_ptr<void, HandleCloser>;

struct FindCloser {
  void operator()(HANDLE h) const { FindClose(h); }
};

bool HasLetter(std::wstring_view path) {
  return path.size() >= 2 && path[1] == L':' &&
         ((path[0] >= L'A' && path[0] <= L'Z') || (path[0] >= L'a' && path[0] <= L'z'));
}

// Windows paths are native; a letter the system does not have gives nothing.
std::wstring Native(std::wstring_view path) {
  if (path.empty()) return {};
  if (HasLetter(path) && DriveTable::Current().Find(path[0]) == nullptr) return {};
  return std::wstring(path);
}

// The path for a change to the file system: nothing when it is on the pinned
// letter and that no longer leads to the pinned drive.
std::wstring NativeForWrite(std::wstring_view path) {
  const wchar_t pinned = PinnedDriveLetter();
  if (pinned != 0 && HasLetter(path) && (path[0] | 0x20) == (pinned | 0x20) &&
      !PinnedDriveHolds()) {
    return {};
  }
  return Native(path);
}

bool IsDriveRoot(std::wstring_view path) {
  return path.size() >= 2 && path[1] == L':' &&
         path.find_first_not_of(L"\\/", 2) == std::wstring_view::npos;
}

EntryKind KindOfAttributes(DWORD attributes) {
  if (attributes & FILE_ATTRIBUTE_REPARSE_POINT) return EntryKind::kLink;
  if (attributes & FILE_ATTRIBUTE_DIRECTORY) return EntryKind::kFolder;
  return EntryKind::kFile;
}

// True when a folder on the way to path (beneath its drive root) or path
// itself is a reparse point: a write there could land outside the drive.
bool PassesReparsePoint(const std::wstring& path) {
  std::size_t pos = path.size() >= 2 && path[1] == L':' ? 2 : 0;
  while (pos < path.size()) {
    const std::size_t start = path.find_first_not_of(L"\\/", pos);
    if (start == std::wstring::npos) break;
    pos = path.find_first_of(L"\\/", start);
    if (pos == std::wstring::npos) pos = path.size();
    const DWORD attributes = GetFileAttributesW(path.substr(0, pos).c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return false;  // the rest is not there yet
    if (attributes & FILE_ATTRIBUTE_REPARSE_POINT) return true;
  }
  return false;
}

bool WritesTo(const char* mode) {
  return std::string_view(mode).find_first_of("wa+") != std::string_view::npos;
}

// The calls of the safe write, each failing first as the faults (file_faults.h)
// say, with the system's error for the errno value they give.
bool Faulted(int error) {
  if (error == 0) return false;
  SetLastError(error == EROFS    ? ERROR_WRITE_PROTECT
               : error == ENOSPC ? ERROR_DISK_FULL
               : error == EIO    ? ERROR_IO_DEVICE
                                 : ERROR_GEN_FAILURE);
  return true;
}

bool FaultOr(int (FileFaults::*hook)()) {
  FileFaults* faults = CurrentFileFaults();
  return faults != nullptr && Faulted((faults->*hook)());
}

bool WriteAll(HANDLE file, const void* data, std::size_t size) {
  const auto* bytes = static_cast<const char*>(data);
  std::uint64_t offset = 0;
  while (size > 0) {
    std::size_t some = std::min<std::size_t>(size, 1u << 30);
    if (FileFaults* faults = CurrentFileFaults();
        faults && Faulted(faults->OnWrite(offset, some))) {
      return false;
    }
    DWORD written = 0;
    if (!WriteFile(file, bytes, static_cast<DWORD>(some), &written, nullptr) || written == 0) {
      return false;
    }
    bytes += written;
    size -= written;
    offset += written;
  }
  return true;
}

bool Flush(HANDLE file) {
  return !FaultOr(&FileFaults::OnFsync) && FlushFileBuffers(file);
}

// A name beside target that no other file has, created empty and open for
// writing; a reparse point of that name is never followed.
Handle CreateTempBeside(const std::wstring& target, std::wstring& tempPath) {
  if (FaultOr(&FileFaults::OnCreate)) return nullptr;
  static std::atomic<unsigned> counter{0};
  for (int attempt = 0; attempt < 100; ++attempt) {
    tempPath = target + L"." + std::to_wstring(GetCurrentProcessId()) + L"-" +
               std::to_wstring(counter++) + L".tmp";
    HANDLE h = CreateFileW(tempPath.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                           FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (h != INVALID_HANDLE_VALUE) return Handle(h);
    if (GetLastError() != ERROR_FILE_EXISTS && GetLastError() != ERROR_ALREADY_EXISTS) break;
  }
  return nullptr;
}

// Write-through: the new name is on the device when the call returns.
bool ReplaceWith(const std::wstring& temp, const std::wstring& target) {
  return !FaultOr(&FileFaults::OnRename) &&
         MoveFileExW(temp.c_str(), target.c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
}

}  // namespace

File OpenFile(std::wstring_view path, const char* mode) {
  if (mode == nullptr) return nullptr;
  const bool writing = WritesTo(mode);
  const std::wstring native = writing ? NativeForWrite(path) : Native(path);
  if (native.empty() || (writing && PassesReparsePoint(native))) return nullptr;
  // 'N': the handle is not inherited by programs this one starts.
  std::wstring wideMode(mode, mode + std::char_traits<char>::length(mode));
  wideMode += L'N';
  return File(_wfopen(native.c_str(), wideMode.c_str()));
}

bool CanOpenForReading(std::wstring_view path) {
  const std::wstring native = Native(path);
  if (native.empty()) return false;
  Handle file(CreateFileW(native.c_str(), GENERIC_READ,
                          FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                          OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  if (file.get() == INVALID_HANDLE_VALUE) {
    file.release();
    return false;
  }
  return true;
}

bool RemoveFile(std::wstring_view path) {
  const std::wstring native = NativeForWrite(path);
  if (native.empty()) return false;
  // A link to a folder is removed as the folder entry it is, never its target.
  const DWORD attributes = GetFileAttributesW(native.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT) &&
      (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
    return RemoveDirectoryW(native.c_str()) != 0;
  }
  return DeleteFileW(native.c_str()) != 0;
}

bool WriteFileSafely(std::wstring_view path, const void* data, std::size_t size) {
  const std::wstring native = NativeForWrite(path);
  if (native.empty() || IsDriveRoot(native) || native.back() == L'\\' || native.back() == L'/') {
    return false;
  }
  if (PassesReparsePoint(native)) return false;
  std::wstring temp;
  Handle file = CreateTempBeside(native, temp);
  if (!file) return false;
  bool ok = WriteAll(file.get(), data, size) && Flush(file.get());
  ok = CloseHandle(file.release()) && ok;
  ok = ok && ReplaceWith(temp, native);
  if (!ok) DeleteFileW(temp.c_str());
  return ok;
}

namespace {

// Whether name is what CreateTempBeside makes for base: base.<pid>-<n>.tmp.
bool IsTempNameOf(std::wstring_view name, std::wstring_view base) {
  constexpr std::wstring_view kTail = L".tmp";
  if (name.size() <= base.size() + 1 + kTail.size() || name.substr(0, base.size()) != base ||
      name[base.size()] != L'.' || name.substr(name.size() - kTail.size()) != kTail) {
    return false;
  }
  const std::wstring_view middle =
      name.substr(base.size() + 1, name.size() - base.size() - 1 - kTail.size());
  const std::size_t dash = middle.find(L'-');
  const auto digits = [](std::wstring_view s) {
    return !s.empty() &&
           std::all_of(s.begin(), s.end(), [](wchar_t c) { return c >= L'0' && c <= L'9'; });
  };
  return dash != std::wstring_view::npos && digits(middle.substr(0, dash)) &&
         digits(middle.substr(dash + 1));
}

}  // namespace

int RemoveStaleTemporaries(std::wstring_view path) {
  const std::wstring native = NativeForWrite(path);
  if (native.empty() || PassesReparsePoint(native)) return 0;
  const std::size_t slash = native.find_last_of(L"\\/");
  const std::wstring folder =
      slash == std::wstring::npos ? std::wstring() : native.substr(0, slash + 1);
  const std::wstring base = native.substr(slash == std::wstring::npos ? 0 : slash + 1);
  if (base.empty()) return 0;
  WIN32_FIND_DATAW data;
  const std::wstring query = folder + base + L".*.tmp";
  HANDLE found =
      FindFirstFileExW(query.c_str(), FindExInfoBasic, &data, FindExSearchNameMatch, nullptr, 0);
  if (found == INVALID_HANDLE_VALUE) return 0;
  std::vector<std::wstring> stale;
  {
    const std::unique_ptr<void, FindCloser> closer(found);
    do {
      const DWORD a = data.dwFileAttributes;
      if (!(a & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) &&
          IsTempNameOf(data.cFileName, base)) {
        stale.push_back(folder + data.cFileName);
      }
    } while (FindNextFileW(found, &data));
  }
  int removed = 0;
  for (const std::wstring& file : stale) removed += DeleteFileW(file.c_str()) ? 1 : 0;
  return removed;
}

std::optional<std::uint64_t> FileSize(std::wstring_view path) {
  const std::wstring native = Native(path);
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (native.empty() || !GetFileAttributesExW(native.c_str(), GetFileExInfoStandard, &data) ||
      (data.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT))) {
    return std::nullopt;
  }
  return (static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

bool CreateFolder(std::wstring_view path) {
  const std::wstring native = NativeForWrite(path);
  return !native.empty() && !PassesReparsePoint(native) &&
         CreateDirectoryW(native.c_str(), nullptr) != 0;
}

bool RemoveFolder(std::wstring_view path) {
  const std::wstring native = NativeForWrite(path);
  if (native.empty()) return false;
  // A link to a folder is no folder of the drive.
  const DWORD attributes = GetFileAttributesW(native.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
    return false;
  }
  return RemoveDirectoryW(native.c_str()) != 0;
}

EntryKind KindOfPath(std::wstring_view path) {
  std::wstring native = Native(path);
  if (native.empty()) return EntryKind::kNone;
  if (IsDriveRoot(native)) native = native.substr(0, 2) + L"\\";
  // The trailing separator would make the system look through a link.
  while (native.size() > 3 && (native.back() == L'\\' || native.back() == L'/')) native.pop_back();
  const DWORD attributes = GetFileAttributesW(native.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return EntryKind::kNone;
  // The root of a drive is a folder whatever mounts it.
  return IsDriveRoot(native) ? EntryKind::kFolder : KindOfAttributes(attributes);
}

std::vector<FolderEntry> ListFolder(std::wstring_view folder, std::wstring_view pattern) {
  std::vector<FolderEntry> entries;
  std::wstring query = Native(folder);
  if (query.empty()) return entries;
  if (query.back() != L'\\' && query.back() != L'/' && query.back() != L':') query += L'\\';
  query += pattern.empty() ? std::wstring_view(L"*") : pattern;
  WIN32_FIND_DATAW data;
  HANDLE found =
      FindFirstFileExW(query.c_str(), FindExInfoBasic, &data, FindExSearchNameMatch, nullptr, 0);
  if (found == INVALID_HANDLE_VALUE) return entries;
  const std::unique_ptr<void, FindCloser> closer(found);
  do {
    const std::wstring_view name = data.cFileName;
    if (name == L"." || name == L"..") continue;
    entries.push_back({std::wstring(name), KindOfAttributes(data.dwFileAttributes)});
  } while (FindNextFileW(found, &data));
  std::sort(entries.begin(), entries.end(),
            [](const FolderEntry& a, const FolderEntry& b) { return a.name < b.name; });
  return entries;
}

std::optional<DiskSpace> QueryDiskSpace(std::wstring_view path) {
  const std::wstring native = Native(path);
  ULARGE_INTEGER freeToUser, total, totalFree;
  if (native.empty() || !GetDiskFreeSpaceExW(native.c_str(), &freeToUser, &total, &totalFree)) {
    return std::nullopt;
  }
  return DiskSpace{total.QuadPart, freeToUser.QuadPart, totalFree.QuadPart};
}

}  // namespace plat
