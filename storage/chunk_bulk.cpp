// ReadAll, WriteAll and RewriteRecords: a whole table between a RecordArray and the chunks
// of one tag.
//
// Chunks that follow each other directly in the file are read through the handle's read
// window, so a run of neighbours costs a few large reads; a chunk behind a gap (another
// tag's chunks, a PDF) is read on its own, header and data in one request, so the gap is
// never read. Rewrites in place are gathered into large writes: where the next chunk of the
// list follows directly in the file, its header (as it stands) is written again between the
// two records, so the bytes on disk are exactly those of one rewrite per chunk.
#include <algorithm>
#include <cstring>
#include <limits>
#include <vector>

#include "storage/chunk_file.h"
#include "storage/chunk_file_impl.h"

namespace veldra {

using chunk_format::AsOffset;
using chunk_format::kChunkHeaderSize;
using chunk_format::kNoOffset;

namespace {

// Rewrites are gathered up to this many bytes before they go to the file.
constexpr size_t kRunLimit = 256 * 1024;

}  // namespace

std::unique_ptr<RecordArray> ChunkFile::ReadAll(ChunkTag tag) { return ReadAll(tag, nullptr); }

std::unique_ptr<RecordArray> ChunkFile::ReadAll(ChunkTag tag, std::vector<uint32_t>* chunks) {
  if (chunks != nullptr) chunks->clear();
  if (!is_open() || tag == kRootTag) return nullptr;
  ChunkIo& io = *impl_->io;
  WalkBudget budget = impl_->NewBudget();
  ChunkHeader h;
  if (impl_->FindHead(tag, budget, &h, nullptr) != kChunkOk) return nullptr;
  const int32_t record_size = h.length;
  const auto n = static_cast<size_t>(record_size);
  auto array = std::make_unique<RecordArray>(n);
  std::vector<uint32_t> at;

  // The head's header came with the walk of the heads; every later chunk is met through
  // its predecessor's next-in-tag link.
  bool header_read = true;
  uint32_t offset = AsOffset(h.self);
  int64_t previous_end = -1;
  for (;;) {
    uint8_t* slot = array->AppendUnfilled();
    if (slot == nullptr) return nullptr;
    const bool neighbour = int64_t{offset} == previous_end;
    const int64_t data_at = int64_t{offset} + kChunkHeaderSize;
    bool data_read = false;
    if (!header_read) {
      if (neighbour || io.Holds(offset, kChunkHeaderSize + n)) {
        if (impl_->ReadTagged(offset, tag, &h, nullptr) != kChunkOk) return nullptr;
      } else {
        // Behind a gap: header and data in one read, the data straight into its element.
        uint8_t raw[kChunkHeaderSize];
        const platform::ReadSlice slices[] = {{raw, kChunkHeaderSize}, {slot, n}};
        const int64_t got = io.ReadDirect(offset, slices, 2);
        if (got < static_cast<int64_t>(kChunkHeaderSize) || io.CheckHeader(offset, raw, &h) != 0 ||
            h.tag != tag) {
          return nullptr;
        }
        // A chunk of another length is refused below; one of this length is all there.
        if (h.length == record_size && got != static_cast<int64_t>(kChunkHeaderSize + n)) {
          return nullptr;
        }
        data_read = true;
      }
      if (!budget.Spend(h)) return nullptr;
    }
    if (h.length != record_size) return nullptr;
    if (!data_read && n > 0) {
      if ((neighbour && n <= ChunkIo::kMaxFill) || io.Holds(data_at, n)) {
        const uint8_t* bytes = io.Peek(data_at, n);
        if (bytes == nullptr) return nullptr;
        std::memcpy(slot, bytes, n);
      } else {
        const platform::ReadSlice slice{slot, n};
        if (io.ReadDirect(data_at, &slice, 1) != static_cast<int64_t>(n)) return nullptr;
      }
    }
    at.push_back(offset);
    previous_end = data_at + static_cast<int64_t>(n);
    if (AsOffset(h.next_in_tag) == kNoOffset) break;
    offset = AsOffset(h.next_in_tag);
    header_read = false;
  }
  current_ = h;
  has_current_ = true;
  impl_->caller_walk = impl_->NewBudget();
  impl_->tails[tag] = AsOffset(h.self);
  if (chunks != nullptr) *chunks = std::move(at);
  return array;
}

int ChunkFile::WriteAll(ChunkTag tag, const RecordArray& array, size_t record_size) {
  return WriteAll(tag, array, record_size, nullptr);
}

int ChunkFile::WriteAll(ChunkTag tag, const RecordArray& array, size_t record_size,
                        std::vector<uint32_t>* chunks) {
  if (chunks != nullptr) chunks->clear();
  if (!is_open()) return kChunkBadArgument;
  if (impl_->mode == kChunkModeReadOnly) return kChunkReadOnly;
  // Each record is copied out of the array: it cannot be longer than the array's records.
  if (tag == kRootTag || record_size > array.record_size() ||
      record_size > static_cast<size_t>(std::numeric_limits<int32_t>::max())) {
    return kChunkBadArgument;
  }
  ChunkIo& io = *impl_->io;
  const auto size = static_cast<int32_t>(record_size);

  // 1. The tag's chunks as they stand, with their header bytes; nothing is written when
  //    one of them has another length.
  std::vector<uint32_t> at;
  std::vector<uint8_t> raw;
  {
    WalkBudget budget = impl_->NewBudget();
    ChunkHeader h;
    uint8_t bytes[kChunkHeaderSize];
    int found = impl_->FindHead(tag, budget, &h, bytes);
    if (found == kChunkIoError) return kChunkIoError;
    while (found == kChunkOk) {
      if (h.length != size) return kChunkBadArgument;
      at.push_back(AsOffset(h.self));
      raw.insert(raw.end(), bytes, bytes + kChunkHeaderSize);
      if (AsOffset(h.next_in_tag) == kNoOffset) break;
      // Only the headers are wanted here, not the data between them.
      if (io.ReadHeaderOnly(AsOffset(h.next_in_tag), &h, bytes) != 0 || h.tag != tag ||
          !budget.Spend(h)) {
        return kChunkIoError;
      }
    }
    if (!at.empty()) impl_->tails[tag] = at.back();
  }
  const size_t m = at.size();
  const size_t n = static_cast<size_t>(array.Count());
  if (n > m) {
    const int64_t grow = static_cast<int64_t>(n - m) * (int64_t{size} + kChunkHeaderSize);
    if (io.size() + grow > chunk_format::kOffsetLimit) return kChunkBadArgument;
  }

  // 2. Make the count right. New chunks are appended with their records at once; surplus
  //    chunks go from the front of the list.
  size_t first = 0;  // index in `at` of the first surviving chunk
  std::vector<uint32_t> appended;
  for (size_t k = m; k < n; ++k) {
    const auto end = static_cast<uint32_t>(io.size());  // where Append puts the chunk
    const int rc = Append(tag, record_size, array.At(static_cast<int>(k)));
    if (rc != kChunkOk) return rc;
    appended.push_back(end);
  }
  if (n > m && m > 0) {
    // Its next-in-tag link now reaches the first new chunk.
    ChunkHeader h;
    if (io.ReadHeader(at[m - 1], &h, raw.data() + (m - 1) * kChunkHeaderSize) != 0) {
      return kChunkIoError;
    }
  }
  for (; first + n < m; ++first) {
    int rc = FindFirst(tag);
    if (rc == kChunkOk) rc = DeleteCurrent();
    if (rc != kChunkOk) return rc;
  }

  // 3. Rewrite the surviving chunks in place, gathered into runs of neighbours. The first
  //    header of a run is not written, so only headers no step above touched are carried.
  std::vector<uint8_t> run;
  int64_t run_start = 0;
  auto flush = [&]() {
    if (run.empty()) return true;
    const bool ok = io.Write(run_start, run.data(), run.size());
    run.clear();
    return ok;
  };
  const size_t rewrite = std::min(n, m);
  for (size_t i = 0; i < rewrite; ++i) {
    const size_t chunk = first + i;
    const int64_t header_at = at[chunk];
    const uint8_t* record = array.At(static_cast<int>(i));
    const bool joins = !run.empty() &&
                       header_at == run_start + static_cast<int64_t>(run.size()) &&
                       run.size() + kChunkHeaderSize + record_size <= kRunLimit;
    if (joins) {
      const uint8_t* header = raw.data() + chunk * kChunkHeaderSize;
      run.insert(run.end(), header, header + kChunkHeaderSize);
    } else {
      if (!flush()) {
        impl_->ForgetAll();
        return kChunkIoError;
      }
      run_start = header_at + static_cast<int64_t>(kChunkHeaderSize);
    }
    run.insert(run.end(), record, record + record_size);
  }
  if (!flush()) {
    impl_->ForgetAll();
    return kChunkIoError;
  }

  if (chunks != nullptr) {
    chunks->assign(at.begin() + static_cast<std::ptrdiff_t>(first), at.end());
    chunks->insert(chunks->end(), appended.begin(), appended.end());
  }

  // The walk ends on the tag's last chunk, as a walk with FindNext would.
  if (n == 0) return kChunkOk;
  const uint32_t last = n > m ? impl_->tails[tag] : at.back();
  ChunkHeader h;
  if (io.ReadHeader(last, &h) != 0) return kChunkIoError;
  current_ = h;
  has_current_ = true;
  impl_->caller_walk = impl_->NewBudget();
  return kChunkOk;
}

}  // namespace veldra

namespace veldra {

int ChunkFile::RewriteRecords(ChunkTag tag, const std::vector<uint32_t>& chunks,
                              const RecordArray& array, size_t record_size,
                              const std::vector<int>& indexes) {
  if (!is_open()) return kChunkBadArgument;
  if (impl_->mode == kChunkModeReadOnly) return kChunkReadOnly;
  const size_t count = chunks.size();
  if (tag == kRootTag || record_size > array.record_size() ||
      record_size > static_cast<size_t>(std::numeric_limits<int32_t>::max()) ||
      count != static_cast<size_t>(array.Count())) {
    return kChunkBadArgument;
  }
  for (size_t k = 0; k < indexes.size(); ++k) {
    if (indexes[k] < 0 || static_cast<size_t>(indexes[k]) >= count ||
        (k > 0 && indexes[k] <= indexes[k - 1])) {
      return kChunkBadArgument;
    }
  }
  if (indexes.empty()) return kChunkOk;
  ChunkIo& io = *impl_->io;
  const auto size = static_cast<int32_t>(record_size);
  const int64_t chunk_bytes = int64_t{size} + kChunkHeaderSize;

  // 1. The ends of the list: the head and the last chunk are the remembered ones.
  ChunkHeader h;
  {
    WalkBudget budget = impl_->NewBudget();
    if (impl_->FindHead(tag, budget, &h, nullptr) != kChunkOk ||
        AsOffset(h.self) != chunks.front()) {
      return kChunkNotAsRemembered;
    }
    if (impl_->ReadTagged(chunks.back(), tag, &h, nullptr) != kChunkOk ||
        AsOffset(h.next_in_tag) != kNoOffset) {
      return kChunkNotAsRemembered;
    }
  }
  const ChunkHeader last = h;

  // 2. The header of every chunk to be rewritten, checked against its remembered place in
  //    the list. A chunk that directly follows the previous one in the file joins its run;
  //    a run's headers are read with its data in one read, a lone chunk's header alone.
  struct Run {
    size_t first;  // into indexes
    size_t end;
  };
  std::vector<Run> runs;
  for (size_t k = 0; k < indexes.size(); ++k) {
    const bool joins = !runs.empty() && indexes[k] == indexes[k - 1] + 1 &&
                       int64_t{chunks[indexes[k]]} == chunks[indexes[k - 1]] + chunk_bytes &&
                       static_cast<int64_t>(k - runs.back().first + 1) * chunk_bytes <=
                           static_cast<int64_t>(kRunLimit);
    if (joins) {
      runs.back().end = k + 1;
    } else {
      runs.push_back(Run{k, k + 1});
    }
  }
  std::vector<uint8_t> raw(indexes.size() * kChunkHeaderSize);
  std::vector<uint8_t> region;
  for (const Run& run : runs) {
    const int64_t start = chunks[indexes[run.first]];
    const size_t chunks_in_run = run.end - run.first;
    const size_t span = chunks_in_run == 1
                            ? kChunkHeaderSize
                            : static_cast<size_t>(chunks_in_run * chunk_bytes);
    region.resize(span);
    const platform::ReadSlice slice{region.data(), span};
    if (io.ReadDirect(start, &slice, 1) != static_cast<int64_t>(span)) {
      return kChunkNotAsRemembered;
    }
    for (size_t k = run.first; k < run.end; ++k) {
      const size_t i = static_cast<size_t>(indexes[k]);
      const uint8_t* bytes = region.data() + (k - run.first) * chunk_bytes;
      const uint32_t prev = i == 0 ? kNoOffset : chunks[i - 1];
      const uint32_t next = i + 1 == count ? kNoOffset : chunks[i + 1];
      if (io.CheckHeader(chunks[i], bytes, &h) != 0 || h.tag != tag || h.length != size ||
          AsOffset(h.prev_in_tag) != prev || AsOffset(h.next_in_tag) != next) {
        return kChunkNotAsRemembered;
      }
      std::memcpy(raw.data() + k * kChunkHeaderSize, bytes, kChunkHeaderSize);
    }
  }
  // A chunk unlinked behind the caller keeps its own links: its neighbours must still point
  // back at it. Neighbours that are rewritten too were checked above.
  for (size_t k = 0; k < indexes.size(); ++k) {
    const size_t i = static_cast<size_t>(indexes[k]);
    if (i > 0 && (k == 0 || static_cast<size_t>(indexes[k - 1]) != i - 1)) {
      if (io.ReadHeaderOnly(chunks[i - 1], &h) != 0 || h.tag != tag ||
          AsOffset(h.next_in_tag) != chunks[i]) {
        return kChunkNotAsRemembered;
      }
    }
    if (i + 1 < count && (k + 1 == indexes.size() || static_cast<size_t>(indexes[k + 1]) != i + 1)) {
      if (io.ReadHeaderOnly(chunks[i + 1], &h) != 0 || h.tag != tag ||
          AsOffset(h.prev_in_tag) != chunks[i]) {
        return kChunkNotAsRemembered;
      }
    }
  }

  // 3. The writes: a run's records with the headers between them as they stand.
  std::vector<uint8_t> out;
  for (const Run& run : runs) {
    const int64_t data_at = int64_t{chunks[indexes[run.first]]} + kChunkHeaderSize;
    bool ok;
    if (run.end - run.first == 1) {
      ok = io.Write(data_at, array.At(indexes[run.first]), record_size);
    } else {
      out.clear();
      for (size_t k = run.first; k < run.end; ++k) {
        if (k > run.first) {
          const uint8_t* header = raw.data() + k * kChunkHeaderSize;
          out.insert(out.end(), header, header + kChunkHeaderSize);
        }
        const uint8_t* record = array.At(indexes[k]);
        out.insert(out.end(), record, record + record_size);
      }
      ok = io.Write(data_at, out.data(), out.size());
    }
    if (!ok) {
      impl_->ForgetAll();
      return kChunkIoError;
    }
  }

  // As after WriteAll, the walk ends on the tag's last chunk.
  impl_->tails[tag] = chunks.back();
  current_ = last;
  has_current_ = true;
  impl_->caller_walk = impl_->NewBudget();
  return kChunkOk;
}

}  // namespace veldra
