#include "storage/chunk_header.h"

#include <cstdio>
#include <cstring>

namespace veldra::chunk_format {

void EncodeChunkHeader(const ChunkHeader& h, uint8_t* out) {
  EncodeFixed32(out + kTagOffset, static_cast<uint32_t>(h.tag));
  EncodeFixed32(out + kLengthOffset, static_cast<uint32_t>(h.length));
  EncodeFixed32(out + kSelfOffset, AsOffset(h.self));
  EncodeFixed32(out + kPrevInTagOffset, AsOffset(h.prev_in_tag));
  EncodeFixed32(out + kNextInTagOffset, AsOffset(h.next_in_tag));
  EncodeFixed32(out + kPrevHeadOffset, AsOffset(h.prev_head));
  EncodeFixed32(out + kNextHeadOffset, AsOffset(h.next_head));
  std::memset(out + kReservedOffset, 0, kChunkHeaderSize - kReservedOffset);
}

ChunkHeader DecodeChunkHeader(const uint8_t* in) {
  ChunkHeader h;
  h.tag = static_cast<ChunkTag>(DecodeFixed32(in + kTagOffset));
  h.length = static_cast<int32_t>(DecodeFixed32(in + kLengthOffset));
  h.self = AsLink(DecodeFixed32(in + kSelfOffset));
  h.prev_in_tag = AsLink(DecodeFixed32(in + kPrevInTagOffset));
  h.next_in_tag = AsLink(DecodeFixed32(in + kNextInTagOffset));
  h.prev_head = AsLink(DecodeFixed32(in + kPrevHeadOffset));
  h.next_head = AsLink(DecodeFixed32(in + kNextHeadOffset));
  return h;
}

HeaderFault CheckChunkHeader(const ChunkHeader& h, uint32_t offset, int64_t file_size) {
  const int64_t at = offset;
  if (at < kRootOffset) return HeaderFault::kBeforeFirstChunk;
  if (at + static_cast<int64_t>(kChunkHeaderSize) > file_size) return HeaderFault::kPastEnd;
  if (AsOffset(h.self) != offset) return HeaderFault::kSelfMismatch;
  if (h.length < 0 ||
      h.length > file_size - at - static_cast<int64_t>(kChunkHeaderSize)) {
    return HeaderFault::kBadLength;
  }
  return HeaderFault::kNone;
}

std::string TagName(ChunkTag tag) {
  std::string name;
  const auto bits = static_cast<uint32_t>(tag);
  for (int shift = 24; shift >= 0; shift -= 8) {
    const auto c = static_cast<unsigned char>(bits >> shift);
    if (c >= 0x20 && c < 0x7F) {
      name += static_cast<char>(c);
    } else {
      char hex[8];
      std::snprintf(hex, sizeof hex, "\\x%02X", c);
      name += hex;
    }
  }
  return name;
}

}  // namespace veldra::chunk_format
