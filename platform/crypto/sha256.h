#pragma once
// SHA-256 digests (OpenSSL's EVP on Linux; a Windows build uses BCrypt).
#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string_view>

namespace plat {

using Sha256Digest = std::array<std::uint8_t, 32>;

// A digest fed in pieces. A failure of the library makes Finish give nullopt.
class Sha256 {
 public:
  Sha256();
  ~Sha256();
  Sha256(const Sha256&) = delete;
  Sha256& operator=(const Sha256&) = delete;

  void Update(const void* data, std::size_t size);
  std::optional<Sha256Digest> Finish();

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

// The digest of size bytes at data; nullopt when the library fails.
std::optional<Sha256Digest> Sha256Of(const void* data, std::size_t size);

// 64 hex digits (either case) as a digest; nullopt for anything else.
std::optional<Sha256Digest> ParseSha256Hex(std::string_view hex);

}  // namespace plat
