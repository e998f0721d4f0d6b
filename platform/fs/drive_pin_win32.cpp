#include <windows.h>

#include <mutex>
#include <optional>
#include <string>

#include "platform/fs/drive_pin.h"

// The pinned drive is known by its volume: the volume's name (its GUID path)
// where the mount manager knows it, and the serial number of its file system.

namespace plat {
namespace {

struct Volume {
  std::wstring name;
  DWORD serial = 0;
  friend bool operator==(const Volume&, const Volume&) = default;
};

struct Pin {
  wchar_t letter = 0;
  Volume volume;
};

std::mutex g_pinMutex;
Pin g_pin;  // guarded by g_pinMutex

wchar_t Upper(wchar_t letter) {
  return letter >= L'a' && letter <= L'z' ? static_cast<wchar_t>(letter - L'a' + L'A') : letter;
}

// The volume letter leads to now; nullopt when it leads to none.
std::optional<Volume> VolumeOf(wchar_t letter) {
  const wchar_t root[] = {letter, L':', L'\\', L'\0'};
  Volume volume;
  if (!GetVolumeInformationW(root, nullptr, 0, &volume.serial, nullptr, nullptr, nullptr, 0)) {
    return std::nullopt;
  }
  wchar_t name[64];
  if (GetVolumeNameForVolumeMountPointW(root, name, 64)) volume.name = name;
  return volume;
}

}  // namespace

bool PinDrive(wchar_t letter) {
  letter = Upper(letter);
  Pin pin;
  if (letter >= L'A' && letter <= L'Z') {
    if (const auto volume = VolumeOf(letter)) pin = Pin{letter, *volume};
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
  const auto volume = VolumeOf(pin.letter);
  return volume && *volume == pin.volume;
}

}  // namespace plat
