#pragma once
// The addresses the online services use, each read from the environment with
// a built-in default.
#include <string>

// SWAYMO_SETTINGS_URL: the online settings document.
std::wstring SettingsUrl();
// SWAYMO_PROBE_URL: a public page, fetched only to tell "no internet" from
// "server down".
std::wstring ProbeUrl();
// SWAYMO_SITE_URL: the maker's site, opened when the support page cannot be.
std::wstring SiteUrl();
