#include <openssl/evp.h>

#include "platform/crypto/sha256.h"

namespace plat {

struct Sha256::Impl {
  EVP_MD_CTX* context = EVP_MD_CTX_new();
  bool ok = context != nullptr && EVP_DigestInit_ex(context, EVP_sha256(), nullptr) == 1;
  ~Impl() { EVP_MD_CTX_free(context); }
};

Sha256::Sha256() : impl_(std::make_unique<Impl>()) {}

Sha256::~Sha256() = default;

void Sha256::Update(const void* data, std::size_t size) {
  if (impl_->ok && size != 0) impl_->ok = EVP_DigestUpdate(impl_->context, data, size) == 1;
}

std::optional<Sha256Digest> Sha256::Finish() {
  Sha256Digest digest{};
  unsigned length = 0;
  if (!impl_->ok || EVP_DigestFinal_ex(impl_->context, digest.data(), &length) != 1 ||
      length != digest.size()) {
    impl_->ok = false;
    return std::nullopt;
  }
  impl_->ok = false;  // a context is finished once
  return digest;
}

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
