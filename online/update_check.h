#pragma once
// Whether a newer wizard exists, judged from CURRENT_VERSION of the settings.
class CZNXML;
class SettingsDialog;

// Versions above this one are newer than this wizard.
inline constexpr int kWizardVersion = 204;

// The version number carried by CURRENT_VERSION ("..._x_205.exe" gives
// 205), or 0 when the value is missing or not of that form.
int GetOnlineVersion(const CZNXML& document);

// 1 when a newer wizard exists, else 0. When the check fails with no version
// known, its message is shown in a message box first. Runs on a worker.
int CheckForOnlineUpdate(SettingsDialog& dialog, CZNXML& document);
