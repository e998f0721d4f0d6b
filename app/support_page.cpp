#include "app/support_page.h"

#include "online/online_urls.h"
#include "platform/core/wide_text.h"
#include "platform/shell/open_url.h"

bool IsWebAddress(std::wstring_view address) {
  for (wchar_t c : address) {
    if (c <= L' ' || (c >= 0x7F && c < 0xA0)) return false;
  }
  for (std::wstring_view scheme : {std::wstring_view(L"http://"), std::wstring_view(L"https://")}) {
    if (address.size() > scheme.size() &&
        plat::EqualsIgnoringCase(address.substr(0, scheme.size()), scheme)) {
      const wchar_t first = address[scheme.size()];
      return first != L'/' && first != L'?' && first != L'#';
    }
  }
  return false;
}

void OpenWebPageOrSite(const std::wstring& address) {
  if (IsWebAddress(address) && plat::OpenUrl(address)) return;
  plat::OpenUrl(SiteUrl());
}
