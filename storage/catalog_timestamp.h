// CatalogTimestamp: 18 bytes, the 17 digits of a local time from year to millisecond
// ("%04d%02d%02d%02d%02d%02d%03d") and a NUL. All zero when empty. Because the digits run
// from the year down, comparing two of them byte by byte compares them in time.
#pragma once

#include <array>
#include <compare>
#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/platform.h"

namespace veldra {

struct CatalogTimestamp {
  static constexpr size_t kEncodedLength = 18;
  std::array<char, kEncodedLength> bytes{};

  // The current local time of Platform::Current().
  static CatalogTimestamp Now();
  static CatalogTimestamp FromLocalTime(const platform::LocalTime& time);

  bool empty() const;         // every byte zero
  std::string Text() const;   // the digits up to the first NUL
  const char* data() const { return bytes.data(); }

  void EncodeTo(uint8_t* dst) const;
  static CatalogTimestamp DecodeFrom(const uint8_t* src);

  bool operator==(const CatalogTimestamp&) const = default;
  // Byte-wise, as unsigned bytes: the order in time for well-formed timestamps.
  std::strong_ordering operator<=>(const CatalogTimestamp& other) const;
};

// Writes the current local time as a timestamp into buffer (size bytes, NUL included, cut to
// fit). Does nothing unless size is greater than 16.
void MakeTimestamp(char* buffer, size_t size);

}  // namespace veldra
