#include "platform/fs/drive_pin.h"

#include <sys/stat.h>

#include <mutex>

#include "platform/fs/drive_paths.h"

namespace plat {
namespace {

struct Pin {
  wchar_t letter = 0;
  std::filesystem::path root;
  std::optional<std::uint64_t> mountDevice;  // as the mount table gave it
  dev_t device = 0;                          // as the root folder reports it
};

std::mutex g_pinMutex;
Pin g_pin;  // guarded by g_pinMutex

wchar_t Upper(wchar_t letter) {
  return letter >= L'a' && letter <= L'z' ? static_cast<wchar_t>(letter - L'a' + L'A') : letter;
}

bool Leads(const Pin& pin, const DriveTable::Drive& drive, int rootFd) {
  struct stat st {};
  return pin.letter != 0 && drive.root == pin.root && drive.device == pin.mountDevice &&
         fstat(rootFd, &st) == 0 && st.st_dev == pin.device;
}

}  // namespace

bool PinDrive(wchar_t letter) {
  letter = Upper(letter);
  const DriveTable drives = DriveTable::Current();
  const DriveTable::Drive* drive = drives.Find(letter);
  Pin pin;
  struct stat st {};
  if (drive != nullptr) {
    const fsdetail::Fd root = fsdetail::OpenDriveRoot(*drive);
    if (root && fstat(root.get(), &st) == 0) {
      pin = Pin{letter, drive->root, drive->device, st.st_dev};
    }
  }
  std::lock_guard lock(g_pinMutex);
  g_pin = pin;
  return pin.letter != 0;
}

void UnpinDrive() {
  std::lock_guard lock(g_pinMutex);
  g_pin = Pin{};
}

wchar_t PinnedDriveLetter() {
  std::lock_guard lock(g_pinMutex);
  return g_pin.letter;
}

bool PinnedDriveHolds() {
  Pin pin;
  {
    std::lock_guard lock(g_pinMutex);
    pin = g_pin;
  }
  if (pin.letter == 0) return false;
  const DriveTable drives = DriveTable::Current();
  const DriveTable::Drive* drive = drives.Find(pin.letter);
  if (drive == nullptr) return false;
  const fsdetail::Fd root = fsdetail::OpenDriveRoot(*drive);
  return root && Leads(pin, *drive, root.get());
}

namespace fsdetail {

bool PinAllowsWrite(wchar_t letter, const DriveTable::Drive& drive, int rootFd) {
  Pin pin;
  {
    std::lock_guard lock(g_pinMutex);
    pin = g_pin;
  }
  return pin.letter != Upper(letter) || Leads(pin, drive, rootFd);
}

}  // namespace fsdetail
}  // namespace plat
