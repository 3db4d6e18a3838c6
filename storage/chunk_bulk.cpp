// ReadAll and WriteAll: a whole table between a RecordArray and the chunks of one tag
// (RewriteRecords, which rewrites chosen records in place, is in chunk_rewrite.cpp).
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
#include "storage/interrupted_rewrite.h"

namespace veldra {

using chunk_format::AsOffset;
using chunk_format::kChunkHeaderSize;
using chunk_format::kNoOffset;


std::unique_ptr<RecordArray> ChunkFile::ReadAll(ChunkTag tag) { return ReadAll(tag, nullptr); }

std::unique_ptr<RecordArray> ChunkFile::ReadAll(ChunkTag tag, std::vector<uint32_t>* chunks) {
  if (chunks != nullptr) chunks->clear();
  std::vector<TableRead> read = ReadTables({tag});
  if (read.front().result != kChunkOk) return nullptr;
  if (chunks != nullptr) *chunks = std::move(read.front().chunks);
  return std::move(read.front().records);
}

// One tag's list as ReadTables walks it.
struct ChunkFile::Impl::ListWalk {
  enum State { kLooking, kWalking, kDone, kFailed };
  State state = kLooking;
  int result = kChunkOk;  // when kFailed
  ChunkTag tag = 0;
  size_t n = 0;  // the record size: the head's length
  std::unique_ptr<RecordArray> array;
  std::vector<uint32_t> at;
  WalkBudget budget{0};
  // The header of the chunk at offset when header_read (the head's came with the walk of
  // the heads; every later chunk is met through its predecessor's next-in-tag link).
  ChunkHeader h;
  bool header_read = false;
  uint32_t offset = kNoOffset;
  int64_t previous_end = -1;
  bool stale_back_links = false;

  void Fail(int code) {
    state = kFailed;
    result = code;
    array.reset();
  }
  // The chunk at offset (header h) is in the array: on to the next one.
  void Advance() {
    if (!at.empty() && (AsOffset(h.prev_in_tag) != at.back() ||
                        AsOffset(h.prev_head) != kNoOffset || AsOffset(h.next_head) != kNoOffset)) {
      stale_back_links = true;
    } else if (at.empty() && AsOffset(h.prev_in_tag) != kNoOffset) {
      stale_back_links = true;
    }
    at.push_back(offset);
    previous_end = int64_t{offset} + static_cast<int64_t>(kChunkHeaderSize + n);
    if (AsOffset(h.next_in_tag) == kNoOffset) {
      state = kDone;
      return;
    }
    offset = AsOffset(h.next_in_tag);
    header_read = false;
  }
};

namespace {

// Chunks of other tags that one read carries behind the chunk it is for, at most.
constexpr size_t kMaxCarried = 8;

}  // namespace

std::vector<ChunkFile::TableRead> ChunkFile::ReadTables(const std::vector<ChunkTag>& tags) {
  return ReadTables(tags, nullptr);
}

std::vector<ChunkFile::TableRead> ChunkFile::ReadTables(const std::vector<ChunkTag>& tags,
                                                        std::vector<ChunkHeader>* seen) {
  using ListWalk = Impl::ListWalk;
  std::vector<TableRead> out(tags.size());
  for (size_t i = 0; i < tags.size(); ++i) out[i].tag = tags[i];
  if (!is_open()) return out;
  impl_->seen = seen;

  std::vector<ListWalk> walks(tags.size());
  for (size_t i = 0; i < tags.size(); ++i) {
    walks[i].tag = tags[i];
    walks[i].budget = impl_->NewBudget();
    if (tags[i] == kRootTag) walks[i].Fail(kChunkBadArgument);
  }
  impl_->FindListHeads(walks);

  // The lists together, the chunk nearest the start of the file first.
  int64_t last_end = -1;  // where the last chunk read, of any tag, ends
  for (;;) {
    ListWalk* w = nullptr;
    for (ListWalk& walk : walks) {
      if (walk.state == ListWalk::kWalking && (w == nullptr || walk.offset < w->offset)) {
        w = &walk;
      }
    }
    if (w == nullptr) break;
    uint8_t* slot = w->array->AppendUnfilled();
    if (slot == nullptr) {
      w->Fail(kChunkIoError);
      continue;
    }
    if (!impl_->ReadNeighbour(*w, slot, &last_end)) {
      impl_->ReadBehindGap(*w, slot, walks, &last_end);
    }
  }

  impl_->seen = nullptr;

  // The results; the walk ends on the last chunk of the last tag read.
  const ListWalk* last = nullptr;
  for (size_t i = 0; i < walks.size(); ++i) {
    ListWalk& walk = walks[i];
    if (walk.state != ListWalk::kDone) {
      out[i].result = walk.result;
      continue;
    }
    out[i].result = kChunkOk;
    out[i].records = std::move(walk.array);
    out[i].chunks = std::move(walk.at);
    out[i].stale_back_links = walk.stale_back_links;
    impl_->tails[walk.tag] = AsOffset(walk.h.self);
    last = &walk;
  }
  if (last != nullptr) {
    current_ = last->h;
    has_current_ = true;
    impl_->caller_walk = impl_->NewBudget();
  }
  return out;
}

void ChunkFile::Impl::FindListHeads(std::vector<ListWalk>& walks) {
  size_t looking = 0;
  for (const ListWalk& walk : walks) looking += walk.state == ListWalk::kLooking ? 1 : 0;
  if (looking == 0) return;
  WalkBudget walk_budget = NewBudget();
  ChunkHeader h;
  int missing = kChunkNoSuchTag;
  if (io->ReadHeader(chunk_format::kRootOffset, &h) != 0 || !walk_budget.Spend(h)) {
    missing = kChunkIoError;
  } else {
    uint32_t at = chunk_format::kRootOffset;
    ChunkTag previous_tag = kRootTag;
    while (looking > 0 && AsOffset(h.next_head) != kNoOffset) {
      const uint32_t previous = at;
      at = AsOffset(h.next_head);
      if (io->ReadHeader(at, &h) != 0 || !walk_budget.Spend(h)) {
        missing = kChunkIoError;
        break;
      }
      Saw(h);
      // A head whose prev-head does not name the head before it: WriteAll of either tag
      // puts it right.
      if (AsOffset(h.prev_head) != previous) {
        for (ListWalk& walk : walks) {
          if (walk.tag == h.tag || walk.tag == previous_tag) walk.stale_back_links = true;
        }
      }
      previous_tag = h.tag;
      for (ListWalk& walk : walks) {
        if (walk.state != ListWalk::kLooking || walk.tag != h.tag) continue;
        walk.state = ListWalk::kWalking;
        walk.h = h;
        walk.header_read = true;
        walk.offset = at;
        walk.n = static_cast<size_t>(h.length);
        walk.array = std::make_unique<RecordArray>(walk.n);
        if (!walk.budget.Spend(h)) walk.Fail(kChunkIoError);
        --looking;
      }
    }
    if (looking > 0 && missing == kChunkNoSuchTag) last_head = at;
  }
  for (ListWalk& walk : walks) {
    if (walk.state == ListWalk::kLooking) walk.Fail(missing);
  }
}

bool ChunkFile::Impl::ReadNeighbour(ListWalk& w, uint8_t* slot, int64_t* last_end) {
  const size_t n = w.n;
  const int64_t offset = w.offset;
  const int64_t data_at = offset + static_cast<int64_t>(kChunkHeaderSize);
  // A chunk right behind the last one read goes through the read window, which serves a
  // run of neighbours with a few large reads.
  const bool neighbour = offset == w.previous_end || offset == *last_end;
  if (!w.header_read && (neighbour || io->Holds(offset, kChunkHeaderSize + n))) {
    if (ReadTagged(w.offset, w.tag, &w.h, nullptr) != kChunkOk || !w.budget.Spend(w.h)) {
      w.Fail(kChunkIoError);
      return true;
    }
    w.header_read = true;
  }
  if (!w.header_read) return false;
  if (w.h.length != static_cast<int32_t>(n)) {
    w.Fail(kChunkIoError);
    return true;
  }
  if (n != 0 && !(neighbour && n <= ChunkIo::kMaxFill) && !io->Holds(data_at, n)) {
    return false;
  }
  if (n > 0) {
    const uint8_t* bytes = io->Peek(data_at, n);
    if (bytes == nullptr) {
      w.Fail(kChunkIoError);
      return true;
    }
    std::memcpy(slot, bytes, n);
  }
  *last_end = data_at + static_cast<int64_t>(n);
  if (seen != nullptr) {
    // The chunk, and the header behind it when the window holds that already.
    seen->push_back(w.h);
    ChunkHeader behind;
    if (io->Holds(*last_end, kChunkHeaderSize) && *last_end <= chunk_format::kOffsetLimit &&
        io->ReadHeader(static_cast<uint32_t>(*last_end), &behind) == 0) {
      seen->push_back(behind);
    }
  }
  w.Advance();
  return true;
}

void ChunkFile::Impl::ReadBehindGap(ListWalk& w, uint8_t* slot, std::vector<ListWalk>& walks,
                                    int64_t* last_end) {
  const size_t n = w.n;
  const int64_t offset = w.offset;
  const int64_t data_at = offset + static_cast<int64_t>(kChunkHeaderSize);
  const int64_t chunk_end = data_at + static_cast<int64_t>(n);
  uint8_t raw[kMaxCarried + 1][kChunkHeaderSize];
  uint8_t behind[kChunkHeaderSize];
  platform::ReadSlice slices[2 * (kMaxCarried + 1) + 1];
  ListWalk* carried[kMaxCarried];

  // One read straight into the array, from the header when it is not read yet, carrying
  // the chunks of other tags that lie directly behind.
  const bool with_header = !w.header_read;
  const int64_t start = with_header ? offset : data_at;
  size_t count = 0;
  if (with_header) slices[count++] = {raw[0], kChunkHeaderSize};
  slices[count++] = {slot, n};
  size_t carried_count = 0;
  int64_t end = chunk_end;
  while (carried_count < kMaxCarried) {
    ListWalk* next = nullptr;
    for (ListWalk& walk : walks) {
      if (walk.state == ListWalk::kWalking && &walk != &w && int64_t{walk.offset} == end &&
          std::find(carried, carried + carried_count, &walk) == carried + carried_count) {
        next = &walk;
        break;
      }
    }
    if (next == nullptr) break;
    uint8_t* next_slot = next->array->AppendUnfilled();
    if (next_slot == nullptr) break;  // its own step finds out
    slices[count++] = {raw[carried_count + 1], kChunkHeaderSize};
    slices[count++] = {next_slot, next->n};
    carried[carried_count++] = next;
    end += static_cast<int64_t>(kChunkHeaderSize + next->n);
  }
  // Whoever collects headers gets the one behind the read too, in the same request.
  const bool with_behind =
      seen != nullptr && end + static_cast<int64_t>(kChunkHeaderSize) <= io->size();
  if (with_behind) slices[count++] = {behind, kChunkHeaderSize};
  const int64_t got = io->ReadDirect(start, slices, count);
  const int64_t read_end = got < 0 ? start : start + got;
  *last_end = end;

  // The chunk read for, with the checks ReadTagged makes.
  if (with_header) {
    if (read_end < data_at || io->CheckHeader(w.offset, raw[0], &w.h) != 0 ||
        w.h.tag != w.tag || !w.budget.Spend(w.h) || w.h.length != static_cast<int32_t>(n)) {
      w.Fail(kChunkIoError);
    }
  }
  if (w.state == ListWalk::kWalking) {
    if (read_end < chunk_end) {
      w.Fail(kChunkIoError);
    } else {
      Saw(w.h);
      w.Advance();
    }
  }
  // The chunks it carried, each with the same checks.
  int64_t at = chunk_end;
  for (size_t k = 0; k < carried_count; ++k) {
    ListWalk& c = *carried[k];
    const int64_t c_end = at + static_cast<int64_t>(kChunkHeaderSize + c.n);
    at = c_end;
    if (read_end < c_end) {
      c.Fail(kChunkIoError);
      continue;
    }
    if (!c.header_read) {
      if (io->CheckHeader(c.offset, raw[k + 1], &c.h) != 0 || c.h.tag != c.tag ||
          !c.budget.Spend(c.h)) {
        c.Fail(kChunkIoError);
        continue;
      }
    }
    if (c.h.length != static_cast<int32_t>(c.n)) {
      c.Fail(kChunkIoError);
      continue;
    }
    Saw(c.h);
    c.Advance();
  }
  ChunkHeader behind_header;
  if (with_behind && read_end >= end + static_cast<int64_t>(kChunkHeaderSize) &&
      end <= chunk_format::kOffsetLimit &&
      io->CheckHeader(static_cast<uint32_t>(end), behind, &behind_header) == 0) {
    Saw(behind_header);
  }
}

int ChunkFile::Impl::MendBackLinks(uint32_t before_head, const std::vector<uint32_t>& at,
                                   std::vector<uint8_t>& raw) {
  uint8_t want[kChunkHeaderSize];
  for (size_t i = 0; i < at.size(); ++i) {
    uint8_t* bytes = raw.data() + i * kChunkHeaderSize;
    std::memcpy(want, bytes, kChunkHeaderSize);
    chunk_format::EncodeFixed32(want + chunk_format::kPrevInTagOffset,
                                i == 0 ? kNoOffset : at[i - 1]);
    if (i == 0) {
      chunk_format::EncodeFixed32(want + chunk_format::kPrevHeadOffset, before_head);
    } else {
      chunk_format::EncodeFixed32(want + chunk_format::kPrevHeadOffset, kNoOffset);
      chunk_format::EncodeFixed32(want + chunk_format::kNextHeadOffset, kNoOffset);
    }
    if (std::memcmp(want, bytes, kChunkHeaderSize) == 0) continue;
    if (!io->Write(at[i], want, kChunkHeaderSize)) return kChunkIoError;
    std::memcpy(bytes, want, kChunkHeaderSize);
  }
  const uint32_t next_head =
      chunk_format::DecodeFixed32(raw.data() + chunk_format::kNextHeadOffset);
  if (next_head == kNoOffset) return kChunkOk;
  ChunkHeader h;
  uint8_t bytes[kChunkHeaderSize];
  if (io->ReadHeaderOnly(next_head, &h, bytes) != 0) return kChunkIoError;
  if (AsOffset(h.prev_head) == at.front()) return kChunkOk;
  chunk_format::EncodeFixed32(bytes + chunk_format::kPrevHeadOffset, at.front());
  return io->Write(next_head, bytes, kChunkHeaderSize) ? kChunkOk : kChunkIoError;
}

bool ChunkFile::Impl::RewriteShrinking(const std::vector<uint32_t>& at, size_t first,
                                       const RecordArray& array, size_t record_size) {
  // Every catalog record starts with its id (little-endian: its sign in the 4th byte) and
  // ends in a reserved zero byte. Each chunk's record is read first: a chunk that already
  // holds its record is left alone (every record behind the last one dropped), one that
  // holds the same record changed gets it in one write. Otherwise the chunk holds a record
  // that is dropped, or one that now stands whole further back, and takes the new record in
  // five writes: the old record's last byte becomes kRecordMovingMark, the sign byte of its
  // id becomes 0xFF (one byte each, never torn), the record goes in under
  // kRecordBeingWritten with the mark as its last byte, then its id, then its own last
  // byte. A write cut short anywhere leaves the sign byte set until the id is whole, so no
  // moment shows a chunk mixing two records under an id that counts; and while the id is
  // negative the chunk carries the mark, so a reader can tell a chunk being written from a
  // negative id that damage made (storage/interrupted_rewrite.h). Where the old or the new
  // record's last byte is not zero there is no mark (three writes).
  constexpr size_t kIdSize = 4;
  const auto n = static_cast<size_t>(array.Count());
  std::vector<uint8_t> old(record_size);
  std::vector<uint8_t> bytes(record_size);
  for (size_t i = n; i-- > 0;) {
    const int64_t data_at = int64_t{at[first + i]} + kChunkHeaderSize;
    const uint8_t* record = array.At(static_cast<int>(i));
    const platform::ReadSlice slice{old.data(), record_size};
    if (io->ReadDirect(data_at, &slice, 1) != static_cast<int64_t>(record_size)) return false;
    if (std::memcmp(old.data(), record, record_size) == 0) continue;
    if (record_size <= kIdSize || std::memcmp(old.data(), record, kIdSize) == 0) {
      if (!io->Write(data_at, record, record_size)) return false;
      continue;
    }
    std::memcpy(bytes.data(), record, record_size);
    chunk_format::EncodeFixed32(bytes.data(), static_cast<uint32_t>(kRecordBeingWritten));
    const uint8_t sign = 0xFF;
    const int64_t last_at = data_at + static_cast<int64_t>(record_size) - 1;
    const bool marked = old[record_size - 1] == 0 && record[record_size - 1] == 0;
    if (marked) bytes[record_size - 1] = kRecordMovingMark;
    const uint8_t zero = 0;
    if ((marked && !io->Write(last_at, &kRecordMovingMark, 1)) ||
        !io->Write(data_at + kIdSize - 1, &sign, 1) ||
        !io->Write(data_at, bytes.data(), record_size) || !io->Write(data_at, record, kIdSize) ||
        (marked && !io->Write(last_at, &zero, 1))) {
      return false;
    }
  }
  return true;
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
  uint32_t before_head = kNoOffset;  // the head (or root) whose next-head reaches the tag
  {
    WalkBudget budget = impl_->NewBudget();
    ChunkHeader h;
    uint8_t bytes[kChunkHeaderSize];
    int found = impl_->FindHead(tag, budget, &h, bytes, &before_head);
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
  if (m > 0 && impl_->MendBackLinks(before_head, at, raw) != kChunkOk) {
    impl_->ForgetAll();
    return kChunkIoError;
  }

  // 2. Make the count right and the records right. A table that grows (or keeps its count)
  //    gets its new chunks appended with their records at once, and then the data of chunk
  //    i is overwritten with record i, first to last: a record only ever moves towards the
  //    front of the list then, so it is written where a record already copied, or one
  //    dropped, stood. A table that shrinks keeps its later chunks: record i goes into chunk
  //    m - n + i, last to first, so that a record moves towards the end only into a chunk
  //    whose record has been copied further back already or is dropped; only after that
  //    are the surplus chunks unlinked from the front. Cut short at any point, the list
  //    still holds every record, some of them twice: the earlier copy is the leftover
  //    (see storage/interrupted_rewrite.h).
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
  if (n < m) {
    first = m - n;
    if (!impl_->RewriteShrinking(at, first, array, record_size)) {
      impl_->ForgetAll();
      return kChunkIoError;
    }
    for (size_t k = 0; k < first; ++k) {
      int rc = FindFirst(tag);
      if (rc == kChunkOk) rc = DeleteCurrent();
      if (rc != kChunkOk) return rc;
    }
  } else {
    // 3. Rewrite the chunks in place, gathered into runs of neighbours. The first header
    //    of a run is not written, so only headers no step above touched are carried.
    std::vector<uint8_t> run;
    int64_t run_start = 0;
    auto flush = [&]() {
      if (run.empty()) return true;
      const bool ok = io.Write(run_start, run.data(), run.size());
      run.clear();
      return ok;
    };
    for (size_t i = 0; i < m; ++i) {
      const int64_t header_at = at[i];
      const uint8_t* record = array.At(static_cast<int>(i));
      const bool joins = !run.empty() &&
                         header_at == run_start + static_cast<int64_t>(run.size()) &&
                         run.size() + kChunkHeaderSize + record_size <= kRewriteRunLimit;
      if (joins) {
        const uint8_t* header = raw.data() + i * kChunkHeaderSize;
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
