#include "platform/fs/drive_pin.h"

#include <mutex>

#include "platform/fs/drive_place.h"

namespace plat {
namespace {

using fsdetail::DrivePlace;

struct Pin {
  wchar_t letter = 0;
  DrivePlace place;
};

std::mutex g_pinMutex;
Pin g_pin;  // guarded by g_pinMutex

Pin CurrentPin() {
  std::lock_guard lock(g_pinMutex);
  return g_pin;
}

wchar_t Upper(wchar_t letter) {
  return letter >= L'a' && letter <= L'z' ? static_cast<wchar_t>(letter - L'a' + L'A') : letter;
}

}  // namespace

bool PinDrive(wchar_t letter) {
  letter = Upper(letter);
  Pin pin;
  if (letter >= L'A' && letter <= L'Z') {
    if (auto place = fsdetail::PlaceOfLetter(letter)) pin = Pin{letter, std::move(*place)};
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
  return CurrentPin().letter;
}

bool PinnedDriveHolds() {
  const Pin pin = CurrentPin();
  if (pin.letter == 0) return false;
  const auto place = fsdetail::PlaceOfLetter(pin.letter);
  return place && *place == pin.place;
}

namespace fsdetail {

bool PinAllows(wchar_t letter, const std::optional<DrivePlace>& place) {
  const Pin pin = CurrentPin();
  return pin.letter != Upper(letter) || (place && *place == pin.place);
}

}  // namespace fsdetail
}  // namespace plat
