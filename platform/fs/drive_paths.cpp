#include "platform/fs/drive_paths.h"

#include <dirent.h>
#include <fcntl.h>
#include <linux/openat2.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <memory>
#include <vector>

#include "platform/core/wide_text.h"

namespace plat::fsdetail {
namespace {

// Set once the kernel turns out to have no openat2.
std::atomic<bool> g_noOpenat2{false};

bool IsLetter(wchar_t c) {
  return (c >= L'A' && c <= L'Z') || (c >= L'a' && c <= L'z');
}

Fd OpenBeneath(int folder, const std::string& name, int flags, mode_t mode) {
  flags |= O_CLOEXEC | O_NOFOLLOW;
  if (!g_noOpenat2) {
    open_how how{};
    how.flags = static_cast<std::uint64_t>(flags);
    how.mode = (flags & O_CREAT) != 0 ? mode : 0;
    how.resolve = RESOLVE_BENEATH | RESOLVE_NO_SYMLINKS | RESOLVE_NO_MAGICLINKS | RESOLVE_NO_XDEV;
    const long fd = syscall(SYS_openat2, folder, name.c_str(), &how, sizeof how);
    if (fd >= 0) return Fd(static_cast<int>(fd));
    if (errno == ENOSYS) g_noOpenat2 = true;
    // EPERM may be a filter that forbids the call: try the plain way too.
    if (errno != ENOSYS && errno != EPERM) return Fd();
  }
  Fd fd(openat(folder, name.c_str(), flags, mode));
  struct stat inside {
  }, above{};
  if (fd && (fstat(fd.get(), &inside) != 0 || fstat(folder, &above) != 0 ||
             inside.st_dev != above.st_dev)) {
    errno = EXDEV;
    return Fd();
  }
  return fd;
}

bool ExistsIn(int folder, const std::string& name) {
  struct stat st {};
  return fstatat(folder, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0;
}

// The entry of folder named name ignoring case (the first in byte order when
// several are); empty when there is none.
std::string FindIgnoringCase(int folder, std::wstring_view name) {
  Fd listing(openat(folder, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (!listing) return {};
  const std::unique_ptr<DIR, int (*)(DIR*)> dir(fdopendir(listing.get()), &closedir);
  if (!dir) return {};
  listing.Release();
  std::string best;
  while (const dirent* entry = readdir(dir.get())) {
    const std::string candidate = entry->d_name;
    if (candidate == "." || candidate == "..") continue;
    if (EqualsIgnoringCase(DecodeUtf8(candidate), name) && (best.empty() || candidate < best)) {
      best = candidate;
    }
  }
  return best;
}

std::optional<Location> LocateOnDrive(wchar_t letter, std::wstring_view rest, Purpose purpose) {
  const DriveTable drives = DriveTable::Current();
  const DriveTable::Drive* drive = drives.Find(letter);
  if (drive == nullptr) return std::nullopt;
  Location at{OpenDriveRoot(*drive), {}, true};
  if (!at.folder) return std::nullopt;
  if (purpose == Purpose::kWrite && !PinAllowsWrite(letter, *drive, at.folder.get())) {
    return std::nullopt;
  }
  std::vector<std::wstring_view> parts;
  while (!rest.empty()) {
    const std::size_t sep = rest.find_first_of(L"\\/");
    if (sep != 0) parts.push_back(rest.substr(0, sep));
    rest = sep == std::wstring_view::npos ? std::wstring_view{} : rest.substr(sep + 1);
  }
  for (std::size_t i = 0; i < parts.size(); ++i) {
    std::string name = EncodeUtf8(parts[i]);
    if (name == "." || name == "..") {
      errno = EINVAL;
      return std::nullopt;
    }
    if (!ExistsIn(at.folder.get(), name)) {
      std::string match = FindIgnoringCase(at.folder.get(), parts[i]);
      if (!match.empty()) name = std::move(match);
    }
    if (i + 1 == parts.size()) {
      at.name = std::move(name);
      break;
    }
    Fd next = OpenIn(at, name, O_RDONLY | O_DIRECTORY);
    if (!next) return std::nullopt;
    at.folder = std::move(next);
  }
  return at;
}

std::optional<Location> LocateNative(std::wstring_view path) {
  std::string native = EncodeUtf8(path);
  std::replace(native.begin(), native.end(), '\\', '/');
  while (native.size() > 1 && native.back() == '/') native.pop_back();
  const std::size_t slash = native.rfind('/');
  Location at;
  if (native == "/") {
    at.folder = Fd(open("/", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  } else {
    const std::string folder = slash == std::string::npos ? "." : native.substr(0, slash + 1);
    at.folder = Fd(open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    at.name = slash == std::string::npos ? native : native.substr(slash + 1);
  }
  if (!at.folder) return std::nullopt;
  return at;
}

}  // namespace

void Fd::Reset() {
  if (fd_ >= 0) close(fd_);
  fd_ = -1;
}

std::optional<Location> Locate(std::wstring_view path, Purpose purpose) {
  if (path.empty()) return std::nullopt;
  if (path.size() >= 2 && path[1] == L':' && IsLetter(path[0])) {
    return LocateOnDrive(path[0], path.substr(2), purpose);
  }
  return LocateNative(path);
}

Fd OpenIn(const Location& at, const std::string& name, int flags, mode_t mode) {
  if (at.onDrive) return OpenBeneath(at.folder.get(), name, flags, mode);
  return Fd(openat(at.folder.get(), name.c_str(), flags | O_CLOEXEC, mode));
}

Fd OpenDriveRoot(const DriveTable::Drive& drive) {
  return Fd(open(drive.root.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
}

}  // namespace plat::fsdetail
