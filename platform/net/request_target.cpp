#include "platform/net/request_target.h"

#include "platform/core/wide_text.h"

namespace plat {

std::string EscapeRequestTarget(std::wstring_view object) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string out;
  for (unsigned char b : EncodeUtf8(object)) {
    if (b <= 0x20 || b >= 0x7F) {
      out += '%';
      out += kHex[b >> 4];
      out += kHex[b & 0xF];
    } else {
      out += static_cast<char>(b);
    }
  }
  if (out.empty() || out.front() != '/') out.insert(out.begin(), '/');
  return out;
}

}  // namespace plat
