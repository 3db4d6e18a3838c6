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
using chunk_format::kNoOffset;

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
  if (io.size() < static_cast<int64_t>(chunk_format::kNewContainerSize)) return kChunkIoError;

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
  // An append cut short by a crash may have left a chunk at the end that no list reaches,
  // torn or whole: the new chunk goes where that one began, not behind it, where it would
  // read as a chunk cut off from its list.
  if (!impl_->tail_checked) {
    const int64_t holder_end = int64_t{AsOffset(link_holder.self)} +
                               static_cast<int64_t>(kChunkHeaderSize) + link_holder.length;
    if (CutUnlinkedTail(holder_end) != kChunkOk) return kChunkIoError;
  }

  const int64_t end = io.size();
  // Offsets are 32 bits and 0xFFFFFFFF means none: the whole chunk must lie below it.
  if (end + static_cast<int64_t>(kChunkHeaderSize) + length > chunk_format::kOffsetLimit) {
    return kChunkBadArgument;
  }

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

int ChunkFile::CutUnlinkedTail(int64_t from) {
  if (!is_open()) return kChunkBadArgument;
  if (impl_->mode == kChunkModeReadOnly) return kChunkReadOnly;
  ChunkIo& io = *impl_->io;
  const int64_t size = io.size();
  impl_->tail_checked = true;
  if (from < static_cast<int64_t>(chunk_format::kNewContainerSize) || from >= size) {
    return kChunkOk;
  }
  // Whole chunks in file order, up to the first one that does not fit in the file. raw
  // keeps the header bytes of the last chunk met.
  int64_t at = from;
  int64_t last_whole = -1;
  uint8_t raw[kChunkHeaderSize] = {};
  size_t header_bytes = kChunkHeaderSize;
  while (at < size) {
    header_bytes = static_cast<size_t>(std::min<int64_t>(size - at, kChunkHeaderSize));
    if (!io.Read(at, raw, header_bytes)) return kChunkIoError;
    const int64_t self = chunk_format::DecodeFixed32(raw + chunk_format::kSelfOffset);
    if (header_bytes >= chunk_format::kPrevInTagOffset && self != at) return kChunkOk;
    if (header_bytes < kChunkHeaderSize) break;  // a header cut short
    const auto length =
        static_cast<int32_t>(chunk_format::DecodeFixed32(raw + chunk_format::kLengthOffset));
    if (self != at || length < 0) return kChunkOk;  // not a header: damage, left alone
    if (at + static_cast<int64_t>(kChunkHeaderSize) + length > size) break;  // data cut short
    last_whole = at;
    at += static_cast<int64_t>(kChunkHeaderSize) + length;
  }
  const bool torn = at < size;
  const int64_t cut = torn ? at : last_whole;
  if (cut < 0) return kChunkOk;

  // An append links its chunk only after the whole chunk is on disk, through one link: its
  // holder's (the tag's last chunk, or the last head), which the new header names. A chunk
  // whose holder links to it is reached, whole or not: not ours to cut.
  const uint32_t prev_in_tag = chunk_format::DecodeFixed32(raw + chunk_format::kPrevInTagOffset);
  const uint32_t prev_head = chunk_format::DecodeFixed32(raw + chunk_format::kPrevHeadOffset);
  const bool new_head = prev_in_tag == kNoOffset;
  if (header_bytes >= chunk_format::kNextHeadOffset) {
    const uint32_t holder = new_head ? prev_head : prev_in_tag;
    ChunkHeader h;
    if (holder != kNoOffset && io.ReadHeaderOnly(holder, &h) == 0 &&
        AsOffset(new_head ? h.next_head : h.next_in_tag) == static_cast<uint32_t>(cut)) {
      return kChunkOk;
    }
  }
  if (!torn) {
    // A whole chunk is cut only in the shape an append leaves before its link (nothing
    // behind it in either list), and only when neither its tag's list nor the list of heads
    // ends at it: whatever a list reaches stays, whatever its own links say.
    const ChunkTag tag = static_cast<ChunkTag>(chunk_format::DecodeFixed32(raw));
    if (tag == kRootTag ||
        chunk_format::DecodeFixed32(raw + chunk_format::kNextInTagOffset) != kNoOffset ||
        chunk_format::DecodeFixed32(raw + chunk_format::kNextHeadOffset) != kNoOffset) {
      return kChunkOk;
    }
    ChunkHeader end;
    const int found = impl_->FindTail(tag, &end, nullptr);
    if (found != kChunkOk && found != kChunkNoSuchTag) return kChunkOk;
    if (found == kChunkOk && AsOffset(end.self) == static_cast<uint32_t>(cut)) return kChunkOk;
    if (impl_->FindLastHead(&end, nullptr) != kChunkOk ||
        AsOffset(end.self) == static_cast<uint32_t>(cut)) {
      return kChunkOk;
    }
  }
  if (!io.Truncate(cut)) {
    impl_->ForgetAll();
    return kChunkIoError;
  }
  return kChunkOk;
}

}  // namespace veldra
