#include "platform/fs/files.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <memory>
#include <string>

#include "platform/core/wide_text.h"
#include "platform/fs/drive_table.h"

namespace plat {
namespace {

// "E:", "E:\" and the like: the root of a drive, which may itself be a link.
bool IsDriveRoot(std::wstring_view path) {
  return path.size() >= 2 && path[1] == L':' &&
         path.find_first_not_of(L"\\/", 2) == std::wstring_view::npos;
}

EntryKind KindOfMode(mode_t mode) {
  if (S_ISLNK(mode)) return EntryKind::kLink;
  if (S_ISDIR(mode)) return EntryKind::kFolder;
  return EntryKind::kFile;
}

// Windows wildcard: '*' any run, '?' any one character, case ignored.
bool MatchesWildcard(std::wstring_view name, std::wstring_view pattern) {
  std::size_t n = 0, p = 0, starP = std::wstring_view::npos, starN = 0;
  while (n < name.size()) {
    if (p < pattern.size() && pattern[p] == L'*') {
      starP = p++;
      starN = n;
    } else if (p < pattern.size() &&
               (pattern[p] == L'?' || FoldCase(pattern[p]) == FoldCase(name[n]))) {
      ++p, ++n;
    } else if (starP != std::wstring_view::npos) {
      p = starP + 1;
      n = ++starN;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == L'*') ++p;
  return p == pattern.size();
}

// As on Windows, a pattern ending in ".*" also takes names without an
// extension, so "*.*" lists everything.
bool MatchesPattern(std::wstring_view name, std::wstring_view pattern) {
  if (pattern.empty()) return true;
  if (MatchesWildcard(name, pattern)) return true;
  return pattern.size() >= 2 && pattern.substr(pattern.size() - 2) == L".*" &&
         MatchesWildcard(name, pattern.substr(0, pattern.size() - 2));
}

}  // namespace

File OpenFile(std::wstring_view path, const char* mode) {
  const auto native = ToNativePath(path);
  if (!native || mode == nullptr) return nullptr;
  const std::string closeOnExec = std::string(mode) + "e";
  File file(std::fopen(native->c_str(), closeOnExec.c_str()));
  // A folder opens on Linux; under Windows it does not.
  struct stat info {};
  if (file && fstat(fileno(file.get()), &info) == 0 && S_ISDIR(info.st_mode)) return nullptr;
  return file;
}

bool CanOpenForReading(std::wstring_view path) {
  const auto native = ToNativePath(path);
  return native && faccessat(AT_FDCWD, native->c_str(), R_OK, AT_EACCESS) == 0;
}

bool RemoveFile(std::wstring_view path) {
  const auto native = ToNativePath(path);
  return native && unlink(native->c_str()) == 0;
}

bool WriteFileSafely(std::wstring_view path, const void* data, std::size_t size) {
  const auto native = ToNativePath(path);
  if (!native || native->filename().empty()) return false;
  const std::filesystem::path folder = native->parent_path();
  std::string name = native->filename().string();
  name.insert(0, 1, '.');
  name.append(".XXXXXX");
  std::string temp = (folder / name).string();
  const int fd = mkostemp(temp.data(), O_CLOEXEC);
  if (fd < 0) return false;
  struct stat old {};
  const mode_t mode = stat(native->c_str(), &old) == 0 ? (old.st_mode & 07777) : 0644;
  fchmod(fd, mode);
  const auto* bytes = static_cast<const char*>(data);
  std::size_t done = 0;
  bool ok = true;
  while (ok && done < size) {
    const ssize_t n = write(fd, bytes + done, size - done);
    if (n > 0) {
      done += static_cast<std::size_t>(n);
    } else if (n < 0 && errno == EINTR) {
      continue;
    } else {
      ok = false;  // a full device gives 0 or ENOSPC
    }
  }
  ok = ok && fsync(fd) == 0;
  ok = close(fd) == 0 && ok;
  ok = ok && rename(temp.c_str(), native->c_str()) == 0;
  if (!ok) {
    unlink(temp.c_str());
    return false;
  }
  // The rename is durable only once the folder is flushed too.
  const int folderFd =
      open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (folderFd < 0) return false;
  ok = fsync(folderFd) == 0 || errno == EINVAL;  // EINVAL: the file system has nothing to flush
  close(folderFd);
  return ok;
}

bool CreateFolder(std::wstring_view path) {
  const auto native = ToNativePath(path);
  return native && mkdir(native->c_str(), 0777) == 0;
}

bool RemoveFolder(std::wstring_view path) {
  const auto native = ToNativePath(path);
  return native && rmdir(native->c_str()) == 0;
}

EntryKind KindOfPath(std::wstring_view path) {
  const auto native = ToNativePath(path);
  struct stat st;
  if (!native) return EntryKind::kNone;
  const int result = IsDriveRoot(path) ? stat(native->c_str(), &st) : lstat(native->c_str(), &st);
  return result == 0 ? KindOfMode(st.st_mode) : EntryKind::kNone;
}

std::vector<FolderEntry> ListFolder(std::wstring_view folder, std::wstring_view pattern) {
  std::vector<FolderEntry> entries;
  const auto native = ToNativePath(folder);
  if (!native) return entries;
  const std::unique_ptr<DIR, int (*)(DIR*)> dir(opendir(native->c_str()), &closedir);
  if (!dir) return entries;
  while (const dirent* entry = readdir(dir.get())) {
    const std::string_view rawName = entry->d_name;
    if (rawName == "." || rawName == "..") continue;
    std::wstring name = DecodeUtf8(rawName);
    if (!MatchesPattern(name, pattern)) continue;
    EntryKind kind;
    switch (entry->d_type) {
      case DT_LNK:
        kind = EntryKind::kLink;
        break;
      case DT_DIR:
        kind = EntryKind::kFolder;
        break;
      case DT_UNKNOWN: {
        struct stat st;
        if (fstatat(dirfd(dir.get()), entry->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0) continue;
        kind = KindOfMode(st.st_mode);
        break;
      }
      default:
        kind = EntryKind::kFile;
    }
    entries.push_back({std::move(name), kind});
  }
  std::sort(entries.begin(), entries.end(),
            [](const FolderEntry& a, const FolderEntry& b) { return a.name < b.name; });
  return entries;
}

std::optional<DiskSpace> QueryDiskSpace(std::wstring_view path) {
  const DriveTable drives = DriveTable::Current();
  const auto native = ToNativePath(path, drives);
  struct statvfs fs;
  if (!native || statvfs(native->c_str(), &fs) != 0) return std::nullopt;
  DiskSpace space;
  space.totalBytes = std::uint64_t{fs.f_blocks} * fs.f_frsize;
  space.freeBytes = std::uint64_t{fs.f_bavail} * fs.f_frsize;
  space.totalFreeBytes = std::uint64_t{fs.f_bfree} * fs.f_frsize;
  const DriveTable::Drive* drive =
      path.size() >= 2 && path[1] == L':' ? drives.Find(path[0]) : nullptr;
  if (drive != nullptr && drive->capBytes) {
    const std::uint64_t cap = *drive->capBytes;
    space.totalBytes = std::min(space.totalBytes, cap);
    space.freeBytes = std::min(space.freeBytes, cap);
    space.totalFreeBytes = std::min(space.totalFreeBytes, cap);
  }
  return space;
}

}  // namespace plat
