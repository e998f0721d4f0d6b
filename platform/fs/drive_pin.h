#pragma once
// The drive the user accepted, pinned to the mount and the device its letter
// led to at that moment. Every write through the pinned letter checks first
// that the letter still leads there, and fails when it does not.
namespace plat {

// Pins letter where it leads now; false (nothing pinned) when it leads nowhere.
bool PinDrive(wchar_t letter);
void UnpinDrive();
// The pinned letter, 0 when none is.
wchar_t PinnedDriveLetter();
// Whether the pinned letter still leads to the same mount on the same device;
// false when nothing is pinned.
bool PinnedDriveHolds();

}  // namespace plat
