#pragma once
// The request target of an HTTP request line, from the wide object text.
#include <string>
#include <string_view>

namespace plat {

// The object as UTF-8 with blanks, controls and non-ASCII bytes escaped as
// %XX, starting with '/'.
std::string EscapeRequestTarget(std::wstring_view object);

}  // namespace plat
