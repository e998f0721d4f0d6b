#pragma once
// The online settings: the keys of the settings document, and the checks the
// setup worker runs to load them and to tell the user what went wrong. The
// wizard dialog serves them through SettingsDialog.
#include <string>

class CZNXML;

// The keys the wizard reads, in the order they are registered: each _ML key
// stands before the key whose name begins its own.
inline constexpr const wchar_t* kSettingsKeys[] = {
    L"CURRENT_VERSION",           L"CUSTOMER_SUPPORT_URL",
    L"DEMO_FILE_DOWNLOAD_URL_ML", L"DEMO_FILE_DOWNLOAD_PSPGO_URL_ML",
    L"DEMO_FILE_DOWNLOAD_URL",    L"DEMO_FILE_DOWNLOAD_PSPGO_URL",
};

// Registers kSettingsKeys as key tokens.
void RegisterSettingsKeys(CZNXML& document);

// What the checks need from the wizard dialog.
class SettingsDialog {
 public:
  // The text of an IDS_ key in the current language; empty when missing.
  virtual std::wstring LookupText(const wchar_t* key) = 0;
  // Queues a repaint of the whole dialog.
  virtual void InvalidateAll() = 0;

 protected:
  ~SettingsDialog() = default;
};

// Fetches the settings document (up to three requests of two tries each)
// and leaves the document's status as it ended.
void FetchSettings(CZNXML& document);

// 0 when the settings are loaded (CURRENT_VERSION known, or fetched now);
// -1 with the message in errorText otherwise. Never on the window's thread.
int LoadOnlineSettings(SettingsDialog& dialog, CZNXML& document, std::wstring& errorText);

// Always fetches; version gets CURRENT_VERSION (empty if none) and errorText
// a message when something failed (left alone otherwise). Returns 0.
int CheckConnection(SettingsDialog& dialog, CZNXML& document, std::wstring& version,
                    std::wstring& errorText);
