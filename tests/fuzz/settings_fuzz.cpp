// The settings document as fetched: UTF-8 decoding, scanning into the token
// table, then every key read back and the version parsed.
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>

#include "online/online_settings.h"
#include "online/update_check.h"
#include "online/znxml.h"
#include "platform/core/wide_text.h"
#include "util/text.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  CZNXML document;
  RegisterSettingsKeys(document);
  std::optional<std::wstring> text = Utf8ToWide(data, size);
  if (!text) return 0;
  if (const auto nul = text->find(L'\0'); nul != std::wstring::npos) text->resize(nul);
  const int scan = document.ScanText(*text);
  if (scan != 0 && scan != -1 && scan != -2) std::abort();
  std::wstring value;
  for (const wchar_t* key : kSettingsKeys) {
    const int found = document.GetValue(key, value);
    if (found != 0 && found != 1) std::abort();
    // A value comes back without trailing blanks.
    if (!value.empty() && plat::IsBlank(value.back())) std::abort();
  }
  const int version = GetOnlineVersion(document);
  (void)version;
  return 0;
}
