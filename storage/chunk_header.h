// The chunk header in memory, its encoding, and the checks every reader applies to a header
// before trusting it (layout in chunk_format.h).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "storage/chunk_format.h"
#include "storage/little_endian.h"

namespace veldra {

// A four-letter chunk type; the letters packed with the first in the most significant
// byte ("ENTR" is 0x454E5452, stored little-endian, so "RTNE" on disk).
using ChunkTag = int32_t;
constexpr ChunkTag MakeTag(const char (&s)[5]) {
  return static_cast<ChunkTag>((static_cast<uint32_t>(static_cast<uint8_t>(s[0])) << 24) |
                               (static_cast<uint32_t>(static_cast<uint8_t>(s[1])) << 16) |
                               (static_cast<uint32_t>(static_cast<uint8_t>(s[2])) << 8) |
                               static_cast<uint32_t>(static_cast<uint8_t>(s[3])));
}
constexpr ChunkTag kRootTag = -1;

// The seven fields of a chunk header. Offsets are 32-bit file offsets kept as their bit
// pattern (an offset of 2 GiB or more reads as negative here); -1 means none.
struct ChunkHeader {
  ChunkTag tag = 0;
  int32_t length = 0;
  int32_t self = -1;
  int32_t prev_in_tag = -1;
  int32_t next_in_tag = -1;
  int32_t prev_head = -1;
  int32_t next_head = -1;
};

namespace chunk_format {

// A link as an unsigned file offset; kNoOffset for none.
constexpr uint32_t kNoOffset = 0xFFFFFFFFu;
constexpr uint32_t AsOffset(int32_t link) { return static_cast<uint32_t>(link); }
constexpr int32_t AsLink(uint32_t offset) { return static_cast<int32_t>(offset); }

// Nothing of a chunk may lie at or past this offset: it would be unreachable, since the
// offset 0xFFFFFFFF is the "none" link.
constexpr int64_t kOffsetLimit = 0xFFFFFFFFLL;

using coding::DecodeFixed16;
using coding::DecodeFixed32;
using coding::EncodeFixed32;

// Writes the 36 bytes of h (reserved bytes zero).
void EncodeChunkHeader(const ChunkHeader& h, uint8_t* out);
ChunkHeader DecodeChunkHeader(const uint8_t* in);

// What is wrong with a header read at offset in a file of file_size bytes, in the order in
// which the checks are made.
enum class HeaderFault {
  kNone,
  kBeforeFirstChunk,  // offset below 512
  kPastEnd,           // the 36 header bytes do not fit before the end of the file
  kSelfMismatch,      // the self field is not the offset it was read at
  kBadLength,         // negative, or the data would run past the end of the file
};
HeaderFault CheckChunkHeader(const ChunkHeader& h, uint32_t offset, int64_t file_size);

// The tag as its four letters ("ENTR"); bytes outside printable ASCII as \xNN.
std::string TagName(ChunkTag tag);

}  // namespace chunk_format
}  // namespace veldra
