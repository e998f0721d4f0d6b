#include "platform/fs/files.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "platform/core/thread.h"
#include "platform/core/wide_text.h"
#include "platform/fs/drive_paths.h"
#include "platform/fs/drive_table.h"
#include "platform/fs/file_faults.h"

namespace plat {
namespace {

using fsdetail::Purpose;

// ".NAME.xxxxxx" beside NAME: hidden, and unique for each try.
constexpr std::size_t kTempSuffixLength = 6;
std::string TempNameFor(const std::string& name) {
  static const char kChars[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
  unsigned char random[kTempSuffixLength] = {};
  if (getrandom(random, sizeof random, 0) != static_cast<ssize_t>(sizeof random)) {
    static std::atomic<unsigned> counter{0};
    const unsigned n = ++counter ^ static_cast<unsigned>(getpid());
    for (std::size_t i = 0; i < sizeof random; ++i) random[i] = static_cast<unsigned char>(n >> i);
  }
  std::string temp = "." + name + ".";
  for (unsigned char r : random) temp += kChars[r % (sizeof kChars - 1)];
  return temp;
}

// The system calls of the safe write, each failing first as the faults say.
int FaultOr(int (FileFaults::*hook)()) {
  FileFaults* faults = CurrentFileFaults();
  const int error = faults != nullptr ? (faults->*hook)() : 0;
  errno = error;
  return error;
}

fsdetail::Fd CreateTemp(const fsdetail::Location& at, const std::string& name, mode_t mode) {
  if (FaultOr(&FileFaults::OnCreate) != 0) return fsdetail::Fd();
  return fsdetail::OpenIn(at, name, O_WRONLY | O_CREAT | O_EXCL, mode);
}

ssize_t WriteSome(int fd, const char* data, std::uint64_t offset, std::size_t size) {
  if (FileFaults* faults = CurrentFileFaults()) {
    if (const int error = faults->OnWrite(offset, size); error != 0) {
      errno = error;
      return -1;
    }
  }
  return write(fd, data, size);
}

int Fsync(int fd) {
  return FaultOr(&FileFaults::OnFsync) != 0 ? -1 : fsync(fd);
}

int RenameAt(int folder, const char* from, const char* to) {
  return FaultOr(&FileFaults::OnRename) != 0 ? -1 : renameat(folder, from, folder, to);
}

// A drive that does not answer (a dying stick, a hung network mount) must not
// hold up its caller: statvfs runs on a thread of its own and is waited for
// until this long after it began. Calls for a drive while one is under way
// share it, so a drive whose call hangs fails at once until that call ends.
constexpr unsigned kStatfsPatienceMs = 500;
// On a busy machine the thread may take a while to start: the patience then
// counts from this long after the call at the latest.
constexpr unsigned kStatfsStartGraceMs = 1500;

struct PendingStatfs {
  std::chrono::steady_clock::time_point start = std::chrono::steady_clock::now();
  std::optional<std::chrono::steady_clock::time_point> began;  // by the thread
  std::mutex mutex;
  std::condition_variable done;
  bool finished = false;
  int result = -1;
  struct statvfs info {};
};

struct StatfsCalls {
  std::mutex mutex;
  std::map<std::string, std::shared_ptr<PendingStatfs>> underWay;
};
// Never destroyed: a call that hangs may end while the process exits.
StatfsCalls& Calls() {
  static auto* calls = new StatfsCalls;
  return *calls;
}

// The call under way for key, or a new one on folder; null when none could
// be started.
std::shared_ptr<PendingStatfs> StatfsCall(const std::string& key, int folder) {
  std::lock_guard lock(Calls().mutex);
  if (const auto it = Calls().underWay.find(key); it != Calls().underWay.end()) return it->second;
  // The call's own descriptor: it may outlive the caller's.
  auto own = std::make_shared<fsdetail::Fd>(fcntl(folder, F_DUPFD_CLOEXEC, 0));
  if (!*own) return nullptr;
  auto pending = std::make_shared<PendingStatfs>();
  auto thread = Thread::Start([key, own, pending] {
    {
      std::lock_guard lock(pending->mutex);
      pending->began = std::chrono::steady_clock::now();
    }
    pending->done.notify_all();
    struct statvfs info {};
    const int result = fstatvfs(own->get(), &info);
    {
      // Gone from the list before anyone sees the answer, so the next call
      // for the drive is made afresh.
      std::lock_guard lock(Calls().mutex);
      Calls().underWay.erase(key);
    }
    {
      std::lock_guard lock(pending->mutex);
      pending->finished = true;
      pending->result = result;
      pending->info = info;
    }
    pending->done.notify_all();
  });
  if (!thread) return nullptr;
  thread->Detach();
  Calls().underWay[key] = pending;
  return pending;
}

std::optional<struct statvfs> StatvfsWithin(const std::string& key, int folder, unsigned ms) {
  const std::shared_ptr<PendingStatfs> pending = StatfsCall(key, folder);
  if (!pending) return std::nullopt;
  std::unique_lock lock(pending->mutex);
  while (!pending->finished) {
    const auto from =
        pending->began.value_or(pending->start + std::chrono::milliseconds(kStatfsStartGraceMs));
    const auto until = from + std::chrono::milliseconds(ms);
    if (std::chrono::steady_clock::now() >= until) return std::nullopt;
    pending->done.wait_until(lock, until);
  }
  if (pending->result != 0) return std::nullopt;
  return pending->info;
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
  if (mode == nullptr) return nullptr;
  const std::string_view how = mode;
  const bool update = how.find('+') != std::string_view::npos;
  int flags = 0;
  switch (how.empty() ? 0 : how[0]) {
    case 'r':
      flags = update ? O_RDWR : O_RDONLY;
      break;
    case 'w':
      flags = (update ? O_RDWR : O_WRONLY) | O_CREAT | O_TRUNC;
      break;
    case 'a':
      flags = (update ? O_RDWR : O_WRONLY) | O_CREAT | O_APPEND;
      break;
    default:
      return nullptr;
  }
  const bool reading = flags == O_RDONLY;
  const auto at = fsdetail::Locate(path, reading ? Purpose::kLook : Purpose::kWrite);
  if (!at || at->name.empty()) return nullptr;
  // Only a regular file: a FIFO would block, a device is no file, and a
  // folder, which opens on Linux, does not under Windows.
  struct stat st {};
  if (fstatat(at->folder.get(), at->name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 &&
      !S_ISREG(st.st_mode) && (at->onDrive || !S_ISLNK(st.st_mode))) {
    return nullptr;
  }
  fsdetail::Fd fd = fsdetail::OpenIn(*at, at->name, flags | O_NONBLOCK, 0666);
  if (!fd || fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode)) return nullptr;
  fcntl(fd.get(), F_SETFL, fcntl(fd.get(), F_GETFL) & ~O_NONBLOCK);
  std::FILE* file = fdopen(fd.get(), mode);
  if (file == nullptr) return nullptr;
  fd.Release();
  return File(file);
}

bool CanOpenForReading(std::wstring_view path) {
  const auto at = fsdetail::Locate(path, Purpose::kLook);
  return at && faccessat(at->folder.get(), at->name.empty() ? "." : at->name.c_str(), R_OK,
                         AT_EACCESS | AT_SYMLINK_NOFOLLOW) == 0;
}

bool RemoveFile(std::wstring_view path) {
  const auto at = fsdetail::Locate(path, Purpose::kWrite);
  return at && !at->name.empty() && unlinkat(at->folder.get(), at->name.c_str(), 0) == 0;
}

bool WriteFileSafely(std::wstring_view path, const void* data, std::size_t size) {
  const auto at = fsdetail::Locate(path, Purpose::kWrite);
  if (!at || at->name.empty()) return false;
  const int folder = at->folder.get();
  mode_t mode = 0644;
  struct stat old {};
  if (fstatat(folder, at->name.c_str(), &old, AT_SYMLINK_NOFOLLOW) == 0) {
    if (!S_ISREG(old.st_mode)) return false;  // a link, FIFO or folder is never replaced
    mode = old.st_mode & 07777;
  }
  std::string temp;
  fsdetail::Fd fd;
  for (int attempt = 0; attempt < 8 && !fd; ++attempt) {
    temp = TempNameFor(at->name);
    fd = CreateTemp(*at, temp, mode);
    if (!fd && errno != EEXIST) return false;
  }
  if (!fd) return false;
  fchmod(fd.get(), mode);
  const auto* bytes = static_cast<const char*>(data);
  std::size_t done = 0;
  bool ok = true;
  while (ok && done < size) {
    const ssize_t n = WriteSome(fd.get(), bytes + done, done, size - done);
    if (n > 0) {
      done += static_cast<std::size_t>(n);
    } else if (n < 0 && errno == EINTR) {
      continue;
    } else {
      ok = false;  // a full device gives 0 or ENOSPC
    }
  }
  ok = ok && Fsync(fd.get()) == 0;
  ok = close(fd.Release()) == 0 && ok;
  ok = ok && RenameAt(folder, temp.c_str(), at->name.c_str()) == 0;
  if (!ok) {
    unlinkat(folder, temp.c_str(), 0);
    return false;
  }
  // The rename is durable only once the folder is flushed too.
  return Fsync(folder) == 0 || errno == EINVAL;  // EINVAL: the file system has nothing to flush
}

int RemoveStaleTemporaries(std::wstring_view path) {
  const auto at = fsdetail::Locate(path, Purpose::kWrite);
  if (!at || at->name.empty()) return 0;
  const int listFd = fcntl(at->folder.get(), F_DUPFD_CLOEXEC, 0);  // closedir closes it
  if (listFd < 0) return 0;
  const std::unique_ptr<DIR, int (*)(DIR*)> dir(fdopendir(listFd), &closedir);
  if (!dir) {
    close(listFd);
    return 0;
  }
  const std::string sample = TempNameFor(at->name);
  const std::string prefix = sample.substr(0, sample.size() - kTempSuffixLength);
  int removed = 0;
  while (const dirent* entry = readdir(dir.get())) {
    const std::string_view name = entry->d_name;
    const auto suffix = name.substr(std::min(name.size(), prefix.size()));
    struct stat st {};
    if (name.size() != sample.size() || name.substr(0, prefix.size()) != prefix ||
        !std::all_of(suffix.begin(), suffix.end(), [](char c) { return std::isalnum(c); }) ||
        fstatat(at->folder.get(), entry->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0 ||
        !S_ISREG(st.st_mode)) {
      continue;
    }
    if (unlinkat(at->folder.get(), entry->d_name, 0) == 0) ++removed;
  }
  return removed;
}

std::optional<std::uint64_t> FileSize(std::wstring_view path) {
  const auto at = fsdetail::Locate(path, Purpose::kLook);
  struct stat st {};
  if (!at || at->name.empty() ||
      fstatat(at->folder.get(), at->name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0 ||
      !S_ISREG(st.st_mode)) {
    return std::nullopt;
  }
  return static_cast<std::uint64_t>(st.st_size);
}

bool CreateFolder(std::wstring_view path) {
  const auto at = fsdetail::Locate(path, Purpose::kWrite);
  return at && !at->name.empty() && mkdirat(at->folder.get(), at->name.c_str(), 0777) == 0;
}

bool RemoveFolder(std::wstring_view path) {
  const auto at = fsdetail::Locate(path, Purpose::kWrite);
  return at && !at->name.empty() && unlinkat(at->folder.get(), at->name.c_str(), AT_REMOVEDIR) == 0;
}

EntryKind KindOfPath(std::wstring_view path) {
  const auto at = fsdetail::Locate(path, Purpose::kLook);
  struct stat st {};
  if (!at) return EntryKind::kNone;
  const int result = at->name.empty()
                         ? fstat(at->folder.get(), &st)
                         : fstatat(at->folder.get(), at->name.c_str(), &st, AT_SYMLINK_NOFOLLOW);
  return result == 0 ? KindOfMode(st.st_mode) : EntryKind::kNone;
}

std::vector<FolderEntry> ListFolder(std::wstring_view folder, std::wstring_view pattern) {
  std::vector<FolderEntry> entries;
  const auto at = fsdetail::Locate(folder, Purpose::kLook);
  if (!at) return entries;
  fsdetail::Fd listing =
      at->name.empty()
          ? fsdetail::Fd(openat(at->folder.get(), ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC))
          : fsdetail::OpenIn(*at, at->name, O_RDONLY | O_DIRECTORY);
  if (!listing) return entries;
  const std::unique_ptr<DIR, int (*)(DIR*)> dir(fdopendir(listing.get()), &closedir);
  if (!dir) return entries;
  listing.Release();
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
  const auto at = fsdetail::Locate(path, Purpose::kLook);
  if (!at) return std::nullopt;
  // The file system of the entry itself: a folder may be a mount point.
  fsdetail::Fd entry;
  if (!at->name.empty()) {
    entry =
        fsdetail::Fd(openat(at->folder.get(), at->name.c_str(), O_PATH | O_NOFOLLOW | O_CLOEXEC));
    if (!entry) return std::nullopt;
  }
  const std::optional<struct statvfs> fs =
      StatvfsWithin(EncodeUtf8(path), entry ? entry.get() : at->folder.get(), kStatfsPatienceMs);
  if (!fs) return std::nullopt;
  DiskSpace space;
  space.totalBytes = std::uint64_t{fs->f_blocks} * fs->f_frsize;
  space.freeBytes = std::uint64_t{fs->f_bavail} * fs->f_frsize;
  space.totalFreeBytes = std::uint64_t{fs->f_bfree} * fs->f_frsize;
  const DriveTable drives = DriveTable::Current();
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
