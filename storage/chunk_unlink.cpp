// DeleteCurrent: unlinks the current chunk and leaves its bytes where they are.
//
// The chunk's links are read again from disk (an Append may have linked a chunk behind it
// since it became current), every neighbour is read and checked to point back at it, and
// only then is anything written. The writes go in the order in which a reader walking
// forward never loses a chunk should one of them fail.
#include <cstring>

#include "storage/chunk_file.h"
#include "storage/chunk_file_impl.h"

namespace veldra {

using chunk_format::AsOffset;
using chunk_format::kChunkHeaderSize;
using chunk_format::kNoOffset;

namespace {

// A header read for patching: its offset, its fields and its bytes as they stand.
struct Neighbour {
  bool present = false;
  ChunkHeader h;
  uint8_t raw[kChunkHeaderSize] = {};

  void Patch(size_t field, int32_t value) {
    chunk_format::EncodeFixed32(raw + field, static_cast<uint32_t>(value));
  }
};

}  // namespace

int ChunkFile::DeleteCurrent() {
  if (!is_open()) return kChunkNoCurrent;
  if (impl_->mode == kChunkModeReadOnly) return kChunkReadOnly;
  if (!has_current_) return kChunkNoCurrent;
  ChunkIo& io = *impl_->io;

  ChunkHeader c;
  if (impl_->ReadTagged(AsOffset(current_.self), current_.tag, &c, nullptr) != kChunkOk) {
    return kChunkIoError;
  }
  const bool is_head = AsOffset(c.prev_in_tag) == kNoOffset;
  const bool has_next = AsOffset(c.next_in_tag) != kNoOffset;

  // Read and check everything before writing anything.
  Neighbour prev;       // the previous chunk of the tag (C is not a head)
  Neighbour next;       // the next chunk of the tag
  Neighbour prev_head;  // the previous head (C is a head); may be the root
  Neighbour next_head;  // the next head (C is a head)
  auto read = [&](Neighbour& n, int32_t link) {
    n.present = true;
    return io.ReadHeader(AsOffset(link), &n.h, n.raw) == 0 &&
           AsOffset(n.h.self) != AsOffset(c.self);
  };
  if (has_next) {
    if (!read(next, c.next_in_tag) || next.h.tag != c.tag || next.h.prev_in_tag != c.self) {
      return kChunkIoError;
    }
  }
  if (!is_head) {
    if (!read(prev, c.prev_in_tag) || prev.h.tag != c.tag || prev.h.next_in_tag != c.self) {
      return kChunkIoError;
    }
    if (has_next && next.h.self == prev.h.self) return kChunkIoError;
  } else {
    if (!read(prev_head, c.prev_head) || prev_head.h.next_head != c.self) return kChunkIoError;
    if (AsOffset(c.next_head) != kNoOffset &&
        (!read(next_head, c.next_head) || next_head.h.prev_head != c.self)) {
      return kChunkIoError;
    }
    if ((has_next && (next.h.self == prev_head.h.self ||
                      (next_head.present && next.h.self == next_head.h.self))) ||
        (next_head.present && next_head.h.self == prev_head.h.self)) {
      return kChunkIoError;  // two links of one chunk meet: not a container we wrote
    }
  }

  auto write = [&](const Neighbour& n) {
    return io.Write(AsOffset(n.h.self), n.raw, kChunkHeaderSize);
  };
  bool ok = true;
  if (!is_head) {
    // Forward first: once prev skips C, a forward walk is whole again.
    prev.Patch(chunk_format::kNextInTagOffset, c.next_in_tag);
    ok = write(prev);
    if (ok && has_next) {
      next.Patch(chunk_format::kPrevInTagOffset, c.prev_in_tag);
      ok = write(next);
    }
  } else {
    // The head's place in the list of heads goes to its successor, or to nobody.
    const int32_t heir = has_next ? next.h.self : c.next_head;
    if (has_next) {
      // The successor takes the head's links before anything points at it as a head.
      next.Patch(chunk_format::kPrevInTagOffset, -1);
      next.Patch(chunk_format::kPrevHeadOffset, c.prev_head);
      next.Patch(chunk_format::kNextHeadOffset, c.next_head);
      ok = write(next);
    }
    if (ok) {
      prev_head.Patch(chunk_format::kNextHeadOffset, heir);
      ok = write(prev_head);
    }
    if (ok && next_head.present) {
      next_head.Patch(chunk_format::kPrevHeadOffset, has_next ? next.h.self : c.prev_head);
      ok = write(next_head);
    }
  }
  if (!ok) {
    impl_->ForgetAll();
    return kChunkIoError;
  }

  // Keep what the handle remembers about the ends of the lists right.
  if (!has_next) {
    if (is_head) {
      impl_->tails.erase(c.tag);
    } else {
      impl_->tails[c.tag] = AsOffset(c.prev_in_tag);
    }
  }
  if (is_head && AsOffset(c.next_head) == kNoOffset) {
    impl_->last_head = AsOffset(has_next ? next.h.self : c.prev_head);
  }
  // The chunk was the last in the file: now no list reaches the end of the file, which the
  // next append cuts off (CutUnlinkedTail) as it would on a freshly opened handle.
  if (int64_t{AsOffset(c.self)} + static_cast<int64_t>(chunk_format::kChunkHeaderSize) +
          c.length == impl_->io->size()) {
    impl_->tail_checked = false;
  }
  has_current_ = false;
  current_ = ChunkHeader();
  return kChunkOk;
}

}  // namespace veldra
