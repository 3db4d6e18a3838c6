// Helpers of the catalog tests: a fake platform with a fixed clock, a scan of a container's
// raw bytes that does not go through ChunkFile, and builders of expected field bytes.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "platform/fake_platform.h"

namespace veldra::testing {

// Installs a FakePlatform with the clock at 2024-03-05 07:08:09.010.
class FakeCatalogEnvironment {
 public:
  FakeCatalogEnvironment() : use_(&fake_) { fake_.SetNow({2024, 3, 5, 7, 8, 9, 10}); }
  platform::FakePlatform& fake() { return fake_; }

 private:
  platform::FakePlatform fake_;
  platform::ScopedPlatform use_;
};

inline constexpr char kFixedStamp[] = "20240305070809010";

inline int32_t I32At(const std::string& bytes, size_t offset) {
  uint32_t v = 0;
  for (int i = 3; i >= 0; --i) v = (v << 8) | static_cast<uint8_t>(bytes[offset + i]);
  return static_cast<int32_t>(v);
}

inline void PutI32(std::string* bytes, size_t offset, int32_t value) {
  for (int i = 0; i < 4; ++i) (*bytes)[offset + i] = static_cast<char>((static_cast<uint32_t>(value) >> (8 * i)) & 0xFF);
}

inline void PutBytes(std::string* bytes, size_t offset, const std::string& data) {
  bytes->replace(offset, data.size(), data);
}

// A UTF-16LE field as the system writes it: U+FEFF, the units, a NUL, zeros to size.
inline std::string Utf16Field(const std::u16string& text, size_t size) {
  std::string field(size, '\0');
  std::u16string units = u"\uFEFF" + text;
  for (size_t i = 0; i < units.size() && 2 * i + 1 < size; ++i) {
    field[2 * i] = static_cast<char>(units[i] & 0xFF);
    field[2 * i + 1] = static_cast<char>(units[i] >> 8);
  }
  return field;
}

// A timestamp field: the 17 digits and a NUL.
inline std::string StampField(const std::string& digits) { return digits + std::string(1, '\0'); }

// One chunk as it stands in the file.
struct RawChunk {
  int32_t tag = 0;
  int32_t length = 0;
  int32_t self = 0;
  int32_t prev_in_tag = 0;
  int32_t next_in_tag = 0;
  int32_t prev_head = 0;
  int32_t next_head = 0;
  std::string data;
};

// Every chunk of a container in the order they stand in the file, root first.
inline std::vector<RawChunk> ScanChunks(const std::string& file) {
  std::vector<RawChunk> chunks;
  size_t offset = 512;
  while (offset + 36 <= file.size()) {
    RawChunk c;
    c.tag = I32At(file, offset);
    c.length = I32At(file, offset + 4);
    c.self = I32At(file, offset + 8);
    c.prev_in_tag = I32At(file, offset + 12);
    c.next_in_tag = I32At(file, offset + 16);
    c.prev_head = I32At(file, offset + 20);
    c.next_head = I32At(file, offset + 24);
    if (c.length < 0 || offset + 36 + c.length > file.size()) break;
    c.data = file.substr(offset + 36, c.length);
    offset += 36 + c.length;
    chunks.push_back(std::move(c));
  }
  return chunks;
}

// The data of every chunk of tag, in file order.
inline std::vector<std::string> ChunkData(const std::string& file, int32_t tag) {
  std::vector<std::string> data;
  for (const RawChunk& c : ScanChunks(file)) {
    if (c.tag == tag) data.push_back(c.data);
  }
  return data;
}

}  // namespace veldra::testing
