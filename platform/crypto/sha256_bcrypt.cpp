#include <windows.h>
// after windows.h
#include <bcrypt.h>

#include "platform/crypto/sha256.h"

// SHA-256 through the system's cryptography API (CNG).

namespace plat {

struct Sha256::Impl {
  BCRYPT_ALG_HANDLE algorithm = nullptr;
  BCRYPT_HASH_HANDLE hash = nullptr;
  bool ok = false;

  Impl() {
    ok = BCRYPT_SUCCESS(
             BCryptOpenAlgorithmProvider(&algorithm, BCRYPT_SHA256_ALGORITHM, nullptr, 0)) &&
         BCRYPT_SUCCESS(BCryptCreateHash(algorithm, &hash, nullptr, 0, nullptr, 0, 0));
  }
  ~Impl() {
    if (hash != nullptr) BCryptDestroyHash(hash);
    if (algorithm != nullptr) BCryptCloseAlgorithmProvider(algorithm, 0);
  }
};

Sha256::Sha256() : impl_(std::make_unique<Impl>()) {}

Sha256::~Sha256() = default;

void Sha256::Update(const void* data, std::size_t size) {
  auto* bytes = static_cast<UCHAR*>(const_cast<void*>(data));
  while (impl_->ok && size != 0) {
    const ULONG chunk = size > 0x40000000 ? 0x40000000 : static_cast<ULONG>(size);
    impl_->ok = BCRYPT_SUCCESS(BCryptHashData(impl_->hash, bytes, chunk, 0));
    bytes += chunk;
    size -= chunk;
  }
}

std::optional<Sha256Digest> Sha256::Finish() {
  Sha256Digest digest{};
  const bool ok =
      impl_->ok && BCRYPT_SUCCESS(BCryptFinishHash(impl_->hash, digest.data(), digest.size(), 0));
  impl_->ok = false;  // a hash is finished once
  if (!ok) return std::nullopt;
  return digest;
}

}  // namespace plat
