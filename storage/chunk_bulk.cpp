// ReadAll and WriteAll: a whole table between a RecordArray and the chunks of one tag.
//
// Both walk the tag through the handle's read window, so neighbouring chunks cost a few
// large reads. WriteAll's in-place rewrites are gathered into large writes: where the next
// chunk of the list follows directly in the file, its header (as it stands) is written
// again between the two records, so the bytes on disk are exactly those of one rewrite per
// chunk.
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

std::unique_ptr<RecordArray> ChunkFile::ReadAll(ChunkTag tag) {
  if (!is_open() || tag == kRootTag) return nullptr;
  ChunkIo& io = *impl_->io;
  WalkBudget budget = impl_->NewBudget();
  ChunkHeader h;
  if (impl_->FindHead(tag, budget, &h, nullptr) != kChunkOk) return nullptr;
  const int32_t record_size = h.length;
  auto array = std::make_unique<RecordArray>(static_cast<size_t>(record_size));
  for (;;) {
    if (h.length != record_size) return nullptr;
    const int64_t data_at = int64_t{AsOffset(h.self)} + kChunkHeaderSize;
    const auto n = static_cast<size_t>(h.length);
    if (n <= ChunkIo::kMaxFill) {
      const uint8_t* bytes = io.Peek(data_at, n);
      if (bytes == nullptr || array->Append(bytes) != 0) return nullptr;
    } else {
      if (array->Append(nullptr) != 0) return nullptr;
      if (!io.Read(data_at, array->MutableAt(array->Count() - 1), n)) return nullptr;
    }
    if (AsOffset(h.next_in_tag) == kNoOffset) break;
    if (impl_->ReadTagged(AsOffset(h.next_in_tag), tag, &h, nullptr) != kChunkOk ||
        !budget.Spend(h)) {
      return nullptr;
    }
  }
  current_ = h;
  has_current_ = true;
  impl_->caller_walk = impl_->NewBudget();
  impl_->tails[tag] = AsOffset(h.self);
  return array;
}

int ChunkFile::WriteAll(ChunkTag tag, const RecordArray& array, size_t record_size) {
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
  for (size_t k = m; k < n; ++k) {
    const int rc = Append(tag, record_size, array.At(static_cast<int>(k)));
    if (rc != kChunkOk) return rc;
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
