#pragma once
// Opening the support page named by the settings document. The document
// comes over plain HTTP, so its address is opened only when it is a web
// address; anything else opens the maker's site (SWAYMO_SITE_URL) instead.
#include <string>
#include <string_view>

// An http:// or https:// address (either case) with a host, and no blank or
// control character anywhere.
bool IsWebAddress(std::wstring_view address);

// Opens address in the browser when it is a web address and the browser
// takes it; otherwise opens the maker's site.
void OpenWebPageOrSite(const std::wstring& address);
