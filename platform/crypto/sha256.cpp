#include "platform/crypto/sha256.h"

// The parts that do not depend on the library behind Sha256.

namespace plat {

std::optional<Sha256Digest> Sha256Of(const void* data, std::size_t size) {
  Sha256 hash;
  hash.Update(data, size);
  return hash.Finish();
}

std::optional<Sha256Digest> ParseSha256Hex(std::string_view hex) {
  Sha256Digest digest{};
  if (hex.size() != digest.size() * 2) return std::nullopt;
  const auto nibble = [](char c) -> int {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
  };
  for (std::size_t i = 0; i < digest.size(); ++i) {
    const int high = nibble(hex[2 * i]);
    const int low = nibble(hex[2 * i + 1]);
    if (high < 0 || low < 0) return std::nullopt;
    digest[i] = static_cast<std::uint8_t>(high << 4 | low);
  }
  return digest;
}

}  // namespace plat
