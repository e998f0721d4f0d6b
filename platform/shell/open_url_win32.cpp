#include <windows.h>
// after windows.h
#include <shellapi.h>

#include <string>

#include "platform/shell/open_url.h"

namespace plat {
namespace {

bool StartsWithIgnoringCase(std::wstring_view text, std::wstring_view prefix) {
  if (text.size() < prefix.size()) return false;
  for (std::size_t i = 0; i < prefix.size(); ++i) {
    if (towlower(text[i]) != prefix[i]) return false;
  }
  return true;
}

}  // namespace

// The shell opens the address with the user's browser. Only web addresses
// are handed over: any other text could name a program to run.
bool OpenUrl(std::wstring_view url, unsigned /*waitMs*/) {
  if (!StartsWithIgnoringCase(url, L"http://") && !StartsWithIgnoringCase(url, L"https://")) {
    return false;
  }
  const std::wstring address(url);
  const auto result = reinterpret_cast<INT_PTR>(
      ShellExecuteW(nullptr, L"open", address.c_str(), nullptr, nullptr, SW_SHOWNORMAL));
  return result > 32;
}

}  // namespace plat
