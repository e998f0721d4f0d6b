#include "online/online_settings.h"

#include "online/online_urls.h"
#include "online/znxml.h"
#include "platform/core/time.h"
#include "util/app_flags.h"

namespace {

void WhilePending(const CZNXML& document) {
  plat::PollUntil([&document] { return document.GetStatus() != SETTINGS_PENDING; }, plat::kForever,
                  1);
}

}  // namespace

void RegisterSettingsKeys(CZNXML& document) {
  for (const wchar_t* key : kSettingsKeys) document.RegisterToken(key, TOKEN_KEY);
}

void FetchSettings(CZNXML& document) {
  const std::wstring url = SettingsUrl();
  for (int attempt = 0; attempt < 3 && !g_applicationClosing.load(); ++attempt) {
    WhilePending(document);
    document.RequestFetch(url);
    WhilePending(document);
    if (document.GetStatus() == SETTINGS_LOADED) break;
  }
}

int LoadOnlineSettings(SettingsDialog& dialog, CZNXML& document, std::wstring& errorText) {
  std::wstring version;
  document.GetValue(L"CURRENT_VERSION", version);
  if (!version.empty()) return 0;
  FetchSettings(document);
  switch (document.GetStatus()) {
    case SETTINGS_LOADED:
      return 0;
    case SETTINGS_NOT_FETCHED:
    case SETTINGS_BAD_DOCUMENT:
      errorText = dialog.LookupText(L"IDS_ONLINE_URL_DOESNT_EXIST_ERROR");
      return -1;
    default:
      errorText = dialog.LookupText(L"IDS_ONLINE_ERROR");
      return -1;
  }
}

int CheckConnection(SettingsDialog& dialog, CZNXML& document, std::wstring& version,
                    std::wstring& errorText) {
  FetchSettings(document);
  document.GetValue(L"CURRENT_VERSION", version);
  switch (document.GetStatus()) {
    case SETTINGS_LOADED:
      break;
    case SETTINGS_NOT_FETCHED:
      errorText = dialog.LookupText(L"IDS_INTERNET_ERROR_SERVER");
      break;
    case SETTINGS_EXCEPTION:
      // A public page that arrives (and is no settings document) proves the
      // internet works: then the maker's server is at fault.
      WhilePending(document);
      document.RequestFetch(ProbeUrl(), /*probe=*/true);
      WhilePending(document);
      errorText = dialog.LookupText(document.GetStatus() == SETTINGS_BAD_DOCUMENT
                                        ? L"IDS_INTERNET_ERROR_SERVER"
                                        : L"IDS_NOT_CONNECTED_TO_NET");
      break;
    case SETTINGS_STOPPED:
      errorText = dialog.LookupText(L"IDS_NOT_CONNECTED_TO_NET");
      break;
    default:
      if (version.empty()) errorText = dialog.LookupText(L"IDS_UNKNOWN_INTERNET_ERROR");
      break;
  }
  dialog.InvalidateAll();
  return 0;
}
