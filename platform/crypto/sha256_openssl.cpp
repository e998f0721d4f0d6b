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

}  // namespace plat
