// Little-endian field coding and the fixed-size text fields of the catalog records.
//
// Records are written field by field, never as structs, so their layout does not depend on
// the compiler. A text field keeps its raw UTF-16LE bytes, so whatever a file holds comes
// back byte for byte when the record is written again.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

#include "storage/little_endian.h"
#include "storage/text_encoding.h"

namespace veldra::coding {

// The signed fields of the records, as their bit patterns.
inline void EncodeI32(uint8_t* dst, int32_t value) {
  EncodeFixed32(dst, static_cast<uint32_t>(value));
}
inline int32_t DecodeI32(const uint8_t* src) { return static_cast<int32_t>(DecodeFixed32(src)); }
inline void EncodeI16(uint8_t* dst, int16_t value) {
  EncodeFixed16(dst, static_cast<uint16_t>(value));
}
inline int16_t DecodeI16(const uint8_t* src) { return static_cast<int16_t>(DecodeFixed16(src)); }

template <size_t N>
inline void EncodeBytes(uint8_t* dst, const std::array<uint8_t, N>& bytes) {
  std::memcpy(dst, bytes.data(), N);
}

template <size_t N>
inline void DecodeBytes(const uint8_t* src, std::array<uint8_t, N>* bytes) {
  std::memcpy(bytes->data(), src, N);
}

}  // namespace veldra::coding

namespace veldra {

// A UTF-16LE text area of N bytes: U+FEFF, at most N/2 - 2 characters, a NUL, zeros.
template <size_t N>
struct TextField {
  static constexpr size_t kSize = N;
  std::array<uint8_t, N> bytes{};

  // The text in CP932, cut so that it fits limit - 1 bytes. The default limit holds every
  // text the field can keep.
  std::string Text(size_t limit = N) const { return FieldToMultibyte(bytes.data(), N, limit); }

  // Replaces the field by text (CP932), cut to the field; the rest of the area is zero.
  void SetText(std::string_view text) {
    bytes.fill(0);
    ToFieldText(text, bytes.data(), N);
  }

  void EncodeTo(uint8_t* dst) const { coding::EncodeBytes(dst, bytes); }
  void DecodeFrom(const uint8_t* src) { coding::DecodeBytes(src, &bytes); }

  bool operator==(const TextField&) const = default;
};

}  // namespace veldra
