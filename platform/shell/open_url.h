#pragma once
// Opens a web address in the user's browser (stands in for ShellExecuteW with
// the verb "open"): runs xdg-open with the address as its one argument, never
// through a shell.
#include <string_view>

namespace plat {

// False when xdg-open cannot be started or reports failure within waitMs;
// one still running then is taken to have opened the address.
bool OpenUrl(std::wstring_view url, unsigned waitMs = 3000);

}  // namespace plat
