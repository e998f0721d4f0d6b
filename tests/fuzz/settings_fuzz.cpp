// The settings document as fetched: UTF-8 decoding, line joining and
// scanning into the token table, then every key read back and the version
// parsed.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "online/online_settings.h"
#include "online/update_check.h"
#include "online/znxml.h"
#include "platform/core/wide_text.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  CZNXML document;
  RegisterSettingsKeys(document);
  const int status = document.ScanDocument(reinterpret_cast<const std::byte*>(data), size);
  if (status != SETTINGS_LOADED && status != SETTINGS_BAD_DOCUMENT &&
      status != SETTINGS_ELEMENT_UNENDED) {
    std::abort();
  }
  std::wstring value;
  for (const wchar_t* key : kSettingsKeys) {
    const int found = document.GetValue(key, value);
    if (found != 0 && found != 1) std::abort();
    // A value comes back without trailing blanks, and never holds a line break.
    if (!value.empty() && plat::IsBlank(value.back())) std::abort();
    if (value.find_first_of(L"\r\n") != std::wstring::npos) std::abort();
  }
  const int version = GetOnlineVersion(document);
  (void)version;
  return 0;
}
