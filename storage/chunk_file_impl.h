// The inside of a ChunkFile handle: the open file, the mode, and what the handle remembers
// about the lists while it is open. Private to the chunk_*.cpp files.
//
// The handle is the only writer of its file while it is open, so it may remember where
// each tag ends and where the list of heads ends. Every operation that writes a link keeps
// these right; a failed write forgets them all, and the next walk starts from the root.
#pragma once

#include <cstdint>
#include <memory>
#include <unordered_map>
#include <vector>

#include "storage/chunk_file.h"
#include "storage/chunk_io.h"

namespace veldra {

// Rewrites in place are gathered up to this many bytes before they go to the file.
inline constexpr size_t kRewriteRunLimit = 256 * 1024;

// Bounds a walk: the chunks of a sound container do not overlap, so one walk can never
// pass over more header and data bytes than the file holds. A cycle or a wild link runs
// out of budget instead of running forever.
class WalkBudget {
 public:
  explicit WalkBudget(int64_t bytes) : left_(bytes) {}
  bool Spend(const ChunkHeader& h) {
    const int64_t cost = static_cast<int64_t>(chunk_format::kChunkHeaderSize) + h.length;
    if (cost > left_) return false;
    left_ -= cost;
    return true;
  }
  void Add(int64_t bytes) { left_ += bytes; }

 private:
  int64_t left_;
};

struct ChunkFile::Impl {
  std::unique_ptr<ChunkIo> io;
  int mode = kChunkModeReadWrite;

  // Offset of the last chunk of each tag whose end the handle has seen.
  std::unordered_map<ChunkTag, uint32_t> tails;
  // Offset of the last head (the root while there is none); kNoOffset when not known.
  uint32_t last_head = chunk_format::kNoOffset;
  // Whether CutUnlinkedTail has looked at the end of the file since it was opened.
  bool tail_checked = false;
  // The budget of the walk the caller makes with FindFirst and FindNext.
  WalkBudget caller_walk{0};

  WalkBudget NewBudget() const { return WalkBudget(io->size() - chunk_format::kRootOffset); }

  // Back to the state of a closed handle.
  void Reset() {
    io.reset();
    mode = kChunkModeReadWrite;
    tails.clear();
    last_head = chunk_format::kNoOffset;
    caller_walk = WalkBudget(0);
    tail_checked = false;
  }

  // After a failed write nothing remembered can be trusted.
  void ForgetAll() {
    tails.clear();
    last_head = chunk_format::kNoOffset;
    io->Forget();
  }

  // The head of tag: 0, -5 when the list of heads has none, -2 on damage. A walk that
  // reaches the end of the list of heads remembers the last head. *before (when given)
  // receives the head (or the root) whose next-head link led to it.
  int FindHead(ChunkTag tag, WalkBudget& budget, ChunkHeader* head, uint8_t* raw,
               uint32_t* before = nullptr);
  // The last head (the root when there is none), with its bytes: 0 or -2.
  int FindLastHead(ChunkHeader* last, uint8_t* raw);
  // The last chunk of tag, with its bytes: 0, -5 when the tag has no chunk, -2 on damage.
  int FindTail(ChunkTag tag, ChunkHeader* tail, uint8_t* raw);
  // Reads the header at offset and checks that it belongs to tag: 0 or -2.
  int ReadTagged(uint32_t offset, ChunkTag tag, ChunkHeader* out, uint8_t* raw);

  // Where ReadTables puts every header it reads and checks, while it runs; may be null.
  std::vector<ChunkHeader>* seen = nullptr;
  void Saw(const ChunkHeader& h) {
    if (seen != nullptr) seen->push_back(h);
  }
  // The steps of WriteAll (chunk_bulk.cpp).
  // Puts right the links that point back along the tag's list (at, with the header bytes
  // of each chunk in raw, kept up to date): each chunk's prev-in-tag names the chunk before
  // it, the head's prev-head names before_head and the next head's prev-head names the
  // head, other chunks have no head links. Only an unlink cut short leaves them otherwise
  // (its writes go forward links first); a sound list is not written to. 0 or -2.
  int MendBackLinks(uint32_t before_head, const std::vector<uint32_t>& at,
                    std::vector<uint8_t>& raw);
  // Writes record i of array into chunk at[first + i], last to first (see WriteAll).
  bool RewriteShrinking(const std::vector<uint32_t>& at, size_t first, const RecordArray& array,
                        size_t record_size);

  // The steps of ReadTables (chunk_bulk.cpp), on one walk per tag.
  struct ListWalk;
  // One walk of the list of heads finds the head of every walk still looking; a walk whose
  // tag has none fails with kChunkNoSuchTag (kChunkIoError when the list is damaged).
  void FindListHeads(std::vector<ListWalk>& walks);
  // The walk's next chunk into slot when it follows the last chunk read (of its own tag or
  // any other) or the read window already holds it. false when it is still to be read:
  // then ReadBehindGap reads it. *last_end is where the last chunk read, of any walk, ends;
  // whichever of the two reads the chunk moves it.
  bool ReadNeighbour(ListWalk& walk, uint8_t* slot, int64_t* last_end);
  // The walk's next chunk into slot with one read of its own, carrying the chunks of the
  // other walks that lie directly behind it.
  void ReadBehindGap(ListWalk& walk, uint8_t* slot, std::vector<ListWalk>& walks,
                     int64_t* last_end);
};

}  // namespace veldra
