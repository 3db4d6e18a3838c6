#include "search/digest.h"

#include <openssl/evp.h>

namespace veldra::search {

struct Sha256::Context {
  EVP_MD_CTX* md = EVP_MD_CTX_new();
  ~Context() { EVP_MD_CTX_free(md); }
};

Sha256::Sha256() : context_(std::make_unique<Context>()) {
  EVP_DigestInit_ex(context_->md, EVP_sha256(), nullptr);
}

Sha256::~Sha256() = default;

void Sha256::Update(const void* data, size_t size) {
  EVP_DigestUpdate(context_->md, data, size);
}

Digest Sha256::Finish() {
  Digest digest{};
  unsigned int size = 0;
  EVP_DigestFinal_ex(context_->md, digest.data(), &size);
  EVP_DigestInit_ex(context_->md, EVP_sha256(), nullptr);
  return digest;
}

Digest Sha256Of(std::string_view bytes) {
  Sha256 hash;
  hash.Update(bytes);
  return hash.Finish();
}

std::string HexOf(const Digest& digest) {
  static const char kDigits[] = "0123456789abcdef";
  std::string hex;
  for (uint8_t b : digest) {
    hex.push_back(kDigits[b >> 4]);
    hex.push_back(kDigits[b & 15]);
  }
  return hex;
}

}  // namespace veldra::search
