#include "online/update_check.h"

#include <cwchar>
#include <string>

#include "online/online_settings.h"
#include "online/znxml.h"
#include "util/message_box.h"

int GetOnlineVersion(const CZNXML& document) {
  std::wstring value;
  document.GetValue(L"CURRENT_VERSION", value);
  const std::size_t dot = value.rfind(L'.');
  if (dot == std::wstring::npos || dot < 3) return 0;
  int number = 0;
  if (std::swscanf(value.c_str() + dot - 3, L"%i", &number) != 1) number = 0;
  // An underscore must stand at index 3 or more and at most five before the dot.
  if (dot < 5 + 3) return 0;
  for (std::size_t i = dot - 5;; --i) {
    if (value[i] == L'_') return number;
    if (i == 3) return 0;
  }
}

int CheckForOnlineUpdate(SettingsDialog& dialog, CZNXML& document) {
  std::wstring version;
  std::wstring errorText;
  CheckConnection(dialog, document, version, errorText);
  if (!version.empty()) return GetOnlineVersion(document) > kWizardVersion ? 1 : 0;
  if (!errorText.empty()) ShowMessageBox(errorText, MB_OK);
  return 0;
}
