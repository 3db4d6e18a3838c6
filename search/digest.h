// SHA-256, the one hash of the search index: of a PDF's bytes (what its text is keyed by)
// and of what identifies an entry's PDF in a catalog (search/index_plan.h).
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace veldra::search {

using Digest = std::array<uint8_t, 32>;

// A hash computed piece by piece (OpenSSL's libcrypto).
class Sha256 {
 public:
  Sha256();
  ~Sha256();
  Sha256(const Sha256&) = delete;
  Sha256& operator=(const Sha256&) = delete;

  void Update(const void* data, size_t size);
  void Update(std::string_view bytes) { Update(bytes.data(), bytes.size()); }
  // The digest of everything given; the hash starts over afterwards.
  Digest Finish();

 private:
  struct Context;
  std::unique_ptr<Context> context_;
};

Digest Sha256Of(std::string_view bytes);

// 64 lower-case hexadecimal digits.
std::string HexOf(const Digest& digest);

}  // namespace veldra::search
