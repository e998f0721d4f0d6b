#pragma once
// Inside platform/fs: where a Windows-style path leads. A path on a drive
// ("E:\PSP\GAME") is resolved beneath the drive's root one level at a time:
// no level may be a link, "." or "..", or lead onto another file system, and
// a name that is not there exactly is matched ignoring case, as on FAT. Any
// other path is native, with backslashes as separators.
#include <sys/types.h>

#include <optional>
#include <string>
#include <string_view>

#include "platform/fs/drive_table.h"

namespace plat::fsdetail {

class Fd {
 public:
  Fd() = default;
  explicit Fd(int fd) : fd_(fd) {}
  ~Fd() { Reset(); }
  Fd(Fd&& other) noexcept : fd_(other.Release()) {}
  Fd& operator=(Fd&& other) noexcept {
    if (this != &other) {
      Reset();
      fd_ = other.Release();
    }
    return *this;
  }
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;

  int get() const { return fd_; }
  explicit operator bool() const { return fd_ >= 0; }
  int Release() {
    const int fd = fd_;
    fd_ = -1;
    return fd;
  }
  void Reset();

 private:
  int fd_ = -1;
};

struct Location {
  Fd folder;         // holds the entry; is the entry itself when name is empty
  std::string name;  // empty for a drive root or "/"
  bool onDrive = false;
};

enum class Purpose { kLook, kWrite };

// Where path leads; nullopt when a folder level is missing or refused, or when
// path is to be written through the pinned letter and that no longer leads to
// the pinned drive.
std::optional<Location> Locate(std::wstring_view path, Purpose purpose);

// Opens name in folder with flags (O_CLOEXEC added). On a drive the name may
// not be a link nor lead onto another file system (openat2 with
// RESOLVE_BENEATH | RESOLVE_NO_SYMLINKS | RESOLVE_NO_XDEV where the kernel
// has it, else O_NOFOLLOW and a device check).
Fd OpenIn(const Location& at, const std::string& name, int flags, mode_t mode = 0);

// The root folder of drive, opened following the links of its configured path.
Fd OpenDriveRoot(const DriveTable::Drive& drive);

// Whether a write through letter, whose root is open as
// rootFd, may go on.
bool PinAllowsWrite(wchar_t letter, const DriveTable::Drive& drive, int rootFd);

}  // namespace plat::fsdetail
