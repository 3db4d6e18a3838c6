#include "storage/catalog_timestamp.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace veldra {

namespace {

// Writes the 17 digits and the NUL with the usual cut to size.
void FormatTimestamp(const platform::LocalTime& t, char* buffer, size_t size) {
  std::snprintf(buffer, size, "%04d%02d%02d%02d%02d%02d%03d", t.year, t.month, t.day, t.hour,
                t.minute, t.second, t.millisecond);
}

}  // namespace

CatalogTimestamp CatalogTimestamp::Now() {
  return FromLocalTime(platform::Platform::Current().Now());
}

CatalogTimestamp CatalogTimestamp::FromLocalTime(const platform::LocalTime& time) {
  CatalogTimestamp stamp;
  // Out-of-range fields would print more digits; the buffer is cut to the 17 that fit.
  char text[64] = {};
  FormatTimestamp(time, text, sizeof text);
  std::memcpy(stamp.bytes.data(), text, kEncodedLength - 1);
  stamp.bytes[kEncodedLength - 1] = '\0';
  return stamp;
}

bool CatalogTimestamp::empty() const {
  return std::all_of(bytes.begin(), bytes.end(), [](char c) { return c == '\0'; });
}

std::string CatalogTimestamp::Text() const {
  const auto end = std::find(bytes.begin(), bytes.end(), '\0');
  return std::string(bytes.begin(), end);
}

void CatalogTimestamp::EncodeTo(uint8_t* dst) const {
  std::memcpy(dst, bytes.data(), kEncodedLength);
}

CatalogTimestamp CatalogTimestamp::DecodeFrom(const uint8_t* src) {
  CatalogTimestamp stamp;
  std::memcpy(stamp.bytes.data(), src, kEncodedLength);
  return stamp;
}

std::strong_ordering CatalogTimestamp::operator<=>(const CatalogTimestamp& other) const {
  const int c = std::memcmp(bytes.data(), other.bytes.data(), kEncodedLength);
  return c < 0 ? std::strong_ordering::less
               : (c > 0 ? std::strong_ordering::greater : std::strong_ordering::equal);
}

void MakeTimestamp(char* buffer, size_t size) {
  if (buffer == nullptr || size <= 16) return;
  FormatTimestamp(platform::Platform::Current().Now(), buffer, size);
}

}  // namespace veldra
