// Append and AppendStream: a new chunk at the end of the file, last in its tag's list.
//
// The order of the writes is what keeps a failure harmless: the new chunk (header and data)
// goes to the end of the file first, where nothing points at it yet, and only then is one
// link patched to reach it. If any of it fails, the file is cut back to its old length and
// the link is put back, so the container is as it was before the call.
#include <algorithm>
#include <cstring>
#include <limits>
#include <vector>

#include "storage/chunk_file.h"
#include "storage/chunk_file_impl.h"

namespace veldra {

using chunk_format::AsLink;
using chunk_format::AsOffset;
using chunk_format::kChunkHeaderSize;

namespace {

// Data up to this size goes out in the same write as its header.
constexpr size_t kJoinedWriteLimit = 64 * 1024;
// The block size in which streamed data is produced and written.
constexpr size_t kStreamBlock = 1024 * 1024;

}  // namespace

int ChunkFile::Append(ChunkTag tag, size_t length, const void* data) {
  // Anything longer than a chunk can hold becomes one byte too many, refused below.
  const int64_t limit = int64_t{std::numeric_limits<int32_t>::max()} + 1;
  const int64_t n = length >= static_cast<uint64_t>(limit) ? limit : static_cast<int64_t>(length);
  return AppendChunk(tag, n, data, nullptr);
}

int ChunkFile::AppendStream(ChunkTag tag, int64_t length,
                            const std::function<bool(uint8_t* buf, size_t n)>& fill) {
  return AppendChunk(tag, length, nullptr, &fill);
}

int ChunkFile::AppendChunk(ChunkTag tag, int64_t length, const void* data,
                           const std::function<bool(uint8_t* buf, size_t n)>* fill) {
  if (!is_open()) return kChunkBadArgument;
  if (impl_->mode == kChunkModeReadOnly) return kChunkReadOnly;
  if (tag == kRootTag || (data == nullptr && (fill == nullptr || !*fill))) {
    return kChunkBadArgument;
  }
  if (length < 0 || length > std::numeric_limits<int32_t>::max()) return kChunkBadArgument;
  ChunkIo& io = *impl_->io;
  const int64_t end = io.size();
  if (end < static_cast<int64_t>(chunk_format::kNewContainerSize)) return kChunkIoError;
  // Offsets are 32 bits and 0xFFFFFFFF means none: the whole chunk must lie below it.
  if (end + static_cast<int64_t>(kChunkHeaderSize) + length > chunk_format::kOffsetLimit) {
    return kChunkBadArgument;
  }

  // Where the new chunk hangs: behind the tag's last chunk, or behind the last head.
  ChunkHeader link_holder;
  uint8_t holder_raw[kChunkHeaderSize];
  bool new_head = false;
  int found = impl_->FindTail(tag, &link_holder, holder_raw);
  if (found == kChunkNoSuchTag) {
    new_head = true;
    found = impl_->FindLastHead(&link_holder, holder_raw);
  }
  if (found != kChunkOk) return kChunkIoError;

  ChunkHeader h;
  h.tag = tag;
  h.length = static_cast<int32_t>(length);
  h.self = AsLink(static_cast<uint32_t>(end));
  h.prev_in_tag = new_head ? -1 : link_holder.self;
  h.prev_head = new_head ? link_holder.self : -1;

  // 1. The chunk itself, where nothing points yet.
  bool written;
  const auto n = static_cast<size_t>(length);
  if (data != nullptr && n <= kJoinedWriteLimit) {
    std::vector<uint8_t> bytes(kChunkHeaderSize + n);
    chunk_format::EncodeChunkHeader(h, bytes.data());
    if (n > 0) std::memcpy(bytes.data() + kChunkHeaderSize, data, n);
    written = io.Write(end, bytes.data(), bytes.size());
  } else {
    uint8_t header[kChunkHeaderSize];
    chunk_format::EncodeChunkHeader(h, header);
    written = io.Write(end, header, kChunkHeaderSize);
    const int64_t data_at = end + static_cast<int64_t>(kChunkHeaderSize);
    if (written && data != nullptr) {
      written = io.Write(data_at, data, n);
    } else if (written) {
      std::vector<uint8_t> block(std::min(n, kStreamBlock));
      for (size_t done = 0; written && done < n;) {
        const size_t step = std::min(block.size(), n - done);
        written = (*fill)(block.data(), step) &&
                  io.Write(data_at + static_cast<int64_t>(done), block.data(), step);
        done += step;
      }
    }
  }
  if (!written) {
    io.Truncate(end);
    impl_->ForgetAll();
    return kChunkIoError;
  }

  // 2. The one link that makes it reachable.
  uint8_t patched[kChunkHeaderSize];
  std::memcpy(patched, holder_raw, kChunkHeaderSize);
  chunk_format::EncodeFixed32(
      patched + (new_head ? chunk_format::kNextHeadOffset : chunk_format::kNextInTagOffset),
      static_cast<uint32_t>(end));
  const uint32_t holder_at = AsOffset(link_holder.self);
  if (!io.Write(holder_at, patched, kChunkHeaderSize)) {
    // A partial write may have changed some bytes of the link: put the old ones back.
    io.Write(holder_at, holder_raw, kChunkHeaderSize);
    io.Truncate(end);
    impl_->ForgetAll();
    return kChunkIoError;
  }

  impl_->tails[tag] = static_cast<uint32_t>(end);
  if (new_head) impl_->last_head = static_cast<uint32_t>(end);
  impl_->caller_walk.Add(static_cast<int64_t>(kChunkHeaderSize) + length);
  return kChunkOk;
}

}  // namespace veldra
