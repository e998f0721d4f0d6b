#pragma once
// Files and folders addressed by Windows-style wide paths (stands in for
// CreateDirectoryW, RemoveDirectoryW, FindFirstFileW, _wfopen_s, _wremove,
// GetDiskFreeSpaceExW). A path on a drive ("E:\PSP\GAME") is resolved beneath
// the drive's root without following links, refusing "." and "..", and with
// names matched ignoring case as on FAT; a link where a folder should be fails
// the call. Writes through the pinned letter check the pin (drive_pin.h). A
// path whose drive letter maps to nothing fails every call quietly. Any other
// path is native, with backslashes as separators, and exact in case.
#include <cstdint>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace plat {

struct FileCloser {
  void operator()(std::FILE* f) const { std::fclose(f); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

// Opens a regular file with C modes ("rb", "wb", ...); null on failure, and
// for a FIFO, a device or a folder (never waiting on them). On a drive the
// file itself may not be a link either.
File OpenFile(std::wstring_view path, const char* mode);
// Whether path could be opened for reading, found without opening it (an
// open would wait forever on a FIFO).
bool CanOpenForReading(std::wstring_view path);
bool RemoveFile(std::wstring_view path);
// Replaces the file at path with size bytes of data so that it is on the
// device when this returns true: the data goes to a new file beside it,
// which is flushed, renamed over path, and its folder flushed. On false the
// file at path is as it was and nothing new is left behind. Anything but a
// regular file at path (a link, a FIFO) fails the write.
bool WriteFileSafely(std::wstring_view path, const void* data, std::size_t size);
// Removes the temporary files that an interrupted WriteFileSafely of path
// left beside it; the number removed.
int RemoveStaleTemporaries(std::wstring_view path);
// The size of the regular file at path (links are not followed); nullopt
// when there is none.
std::optional<std::uint64_t> FileSize(std::wstring_view path);
bool CreateFolder(std::wstring_view path);
// Removes an empty folder.
bool RemoveFolder(std::wstring_view path);

enum class EntryKind { kNone, kFile, kFolder, kLink };
// What lies at path; a symbolic link is reported as a link, never followed.
EntryKind KindOfPath(std::wstring_view path);

struct FolderEntry {
  std::wstring name;
  EntryKind kind = EntryKind::kNone;
};
// The entries of a folder other than "." and "..", sorted by name; pattern is
// a Windows wildcard ("*.*", "*.dat", ...) matched case-insensitively.
std::vector<FolderEntry> ListFolder(std::wstring_view folder, std::wstring_view pattern = L"*");

struct DiskSpace {
  std::uint64_t totalBytes = 0;
  std::uint64_t freeBytes = 0;       // available to this user
  std::uint64_t totalFreeBytes = 0;  // free on the file system, reserved blocks included
};
// Sizes of the file system holding path, capped as its drive says. A file
// system that takes more than half a second to answer (counted from when the
// query's own thread began, at most 1.5 s after the call) counts as absent,
// and stays so while that call hangs; the caller is never held up longer.
std::optional<DiskSpace> QueryDiskSpace(std::wstring_view path);

}  // namespace plat
