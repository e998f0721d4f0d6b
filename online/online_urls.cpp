#include "online/online_urls.h"

#include <cstdlib>

#include "platform/core/wide_text.h"

namespace {

std::wstring FromEnvironment(const char* name, const wchar_t* fallback) {
  const char* value = std::getenv(name);
  if (value == nullptr || *value == '\0') return fallback;
  return plat::DecodeUtf8(value);
}

}  // namespace

std::wstring SettingsUrl() {
  return FromEnvironment("SWAYMO_SETTINGS_URL",
                         L"http://settings.swaymo.example/swaymo_settings.asp");
}

std::wstring ProbeUrl() {
  // Answers 200 itself, without a redirect: a redirect would read as no internet.
  return FromEnvironment("SWAYMO_PROBE_URL", L"https://en.wikipedia.org/wiki/Main_Page");
}

std::wstring SiteUrl() {
  return FromEnvironment("SWAYMO_SITE_URL", L"http://www.swaymo.example/");
}
