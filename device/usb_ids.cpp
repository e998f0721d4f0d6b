#include "device/psp_locator.h"
#include "util/text.h"

namespace {

int HexDigit(wchar_t c) {
  if (c >= L'0' && c <= L'9') return c - L'0';
  if (c >= L'A' && c <= L'F') return c - L'A' + 10;
  if (c >= L'a' && c <= L'f') return c - L'a' + 10;
  return -1;
}

// The hexadecimal run at pos, leading zeros skipped; wraps like a 32-bit value.
unsigned HexRun(std::wstring_view text, std::size_t pos) {
  while (pos < text.size() && text[pos] == L'0') ++pos;
  unsigned value = 0;
  for (int d; pos < text.size() && (d = HexDigit(text[pos])) >= 0; ++pos) {
    value = value * 16u + static_cast<unsigned>(d);
  }
  return value;
}

}  // namespace

bool CPSPLocator::ParseUsbIds(std::wstring_view path, unsigned& vendorId, unsigned& productId) {
  vendorId = 0;
  productId = 0;
  // Exact, case-sensitive tags: VID_ and PID_ are not recognised.
  const int vid = FindText(L"vid_", path, 0);
  if (vid < 0) return false;
  vendorId = HexRun(path, static_cast<std::size_t>(vid) + 4);
  const int pid = FindText(L"pid_", path, 0);
  if (pid < 0) return false;
  productId = HexRun(path, static_cast<std::size_t>(pid) + 4);
  return true;
}
