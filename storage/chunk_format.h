// The byte layout of a chunk container file.
//
// A container is a 512-byte file header followed by chunks. Every chunk is a 36-byte header
// followed by its data. All integers are little-endian; offsets are absolute; -1 means none.
//
// File header (512 bytes at offset 0):
//   0  3   magic "RUX"
//   3  1   0
//   4  2   format version, unsigned 16-bit, always 2
//   6  506 zero
//
// Chunk header (36 bytes):
//   0  4   tag (the ChunkTag value; -1 only in the root chunk)
//   4  4   length of the data that follows the header
//   8  4   self: the file offset of this header
//   12 4   prev-in-tag (-1 at the tag's head)
//   16 4   next-in-tag (-1 at the tag's last chunk)
//   20 4   prev-head (heads only; the root for the first head; -1 in other chunks)
//   24 4   next-head (heads only; -1 at the last head and in other chunks)
//   28 8   reserved, zero
//
// The root chunk sits at offset 512: tag -1, length 0, self 512, all links -1. It starts the
// list of heads and is never found nor deleted. A new container is therefore 548 bytes.
#pragma once

#include <cstddef>
#include <cstdint>

namespace veldra::chunk_format {

constexpr size_t kFileHeaderSize = 512;
constexpr char kMagic[3] = {'R', 'U', 'X'};
constexpr size_t kVersionOffset = 4;
constexpr uint16_t kVersion = 2;

constexpr size_t kChunkHeaderSize = 4 + 4 + 4 + 4 + 4 + 4 + 4 + 8;
static_assert(kChunkHeaderSize == 36);
constexpr size_t kTagOffset = 0;
constexpr size_t kLengthOffset = 4;
constexpr size_t kSelfOffset = 8;
constexpr size_t kPrevInTagOffset = 12;
constexpr size_t kNextInTagOffset = 16;
constexpr size_t kPrevHeadOffset = 20;
constexpr size_t kNextHeadOffset = 24;
constexpr size_t kReservedOffset = 28;

constexpr int32_t kRootOffset = 512;
constexpr int32_t kNone = -1;
constexpr size_t kNewContainerSize = kFileHeaderSize + kChunkHeaderSize;  // 548

}  // namespace veldra::chunk_format
