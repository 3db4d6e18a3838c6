// RewriteRecords: chosen records of a table rewritten in place, in the chunks a read of the
// table remembered. Rewrites of neighbouring chunks are gathered into large writes, each
// carrying the headers between the records as they stand, so the bytes on disk are exactly
// those of one rewrite per chunk.
#include <cstring>
#include <limits>
#include <vector>

#include "storage/chunk_file.h"
#include "storage/chunk_file_impl.h"

namespace veldra {

using chunk_format::AsOffset;
using chunk_format::kChunkHeaderSize;
using chunk_format::kNoOffset;

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
                           static_cast<int64_t>(kRewriteRunLimit);
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
