#include "storage/chunk_verify.h"

#include <algorithm>
#include <memory>

#include "platform/platform.h"
#include "storage/chunk_io.h"

namespace veldra {

using chunk_format::AsOffset;
using chunk_format::kChunkHeaderSize;
using chunk_format::kNoOffset;
using chunk_format::kRootOffset;
using chunk_format::TagName;

namespace {

// A damaged file can yield a fault per chunk; a change needs only to know there is one.
constexpr size_t kMaxProblems = 20;
constexpr size_t kNotFound = static_cast<size_t>(-1);

std::string Num(int64_t v) { return std::to_string(v); }

std::string LinkText(int32_t link) {
  return AsOffset(link) == kNoOffset ? "-1" : Num(AsOffset(link));
}

// The index of the chunk whose header is at offset (chunks in file order), or kNotFound.
// A list's next chunk mostly lies a few chunks further on in the file: the few chunks behind
// hint are looked at before the search.
size_t Find(const std::vector<ChunkRecord>& chunks, uint32_t offset, size_t hint = 0) {
  if (offset == kNoOffset) return kNotFound;
  for (size_t i = hint; i < chunks.size() && i < hint + 8; ++i) {
    if (chunks[i].offset == offset) return i;
    if (chunks[i].offset > offset) break;
  }
  auto it = std::lower_bound(chunks.begin(), chunks.end(), offset,
                             [](const ChunkRecord& c, uint32_t at) { return c.offset < at; });
  return it != chunks.end() && it->offset == offset ? static_cast<size_t>(it - chunks.begin())
                                                    : kNotFound;
}

// The chunk at link when it is dead, carries tag (any tag when tag is the root's) and links
// back to from through the field back (prev-in-tag or prev-head); kNotFound otherwise.
size_t DeadFollower(const std::vector<ChunkRecord>& chunks, int32_t link, uint32_t from,
                    int32_t ChunkHeader::*back, ChunkTag tag) {
  const size_t k = Find(chunks, AsOffset(link));
  if (k == kNotFound || chunks[k].live) return kNotFound;
  const ChunkHeader& h = chunks[k].header;
  if (tag != kRootTag && h.tag != tag) return kNotFound;
  return AsOffset(h.*back) == from ? k : kNotFound;
}

// Walks the list of heads and every tag's list over the headers met in file order, marking
// the chunks it reaches live.
class ListChecker {
 public:
  ListChecker(std::vector<ChunkRecord>& chunks, std::vector<std::string>& problems)
      : chunks_(chunks), problems_(problems) {}

  void Run() {
    if (chunks_.empty() || chunks_.front().offset != static_cast<uint32_t>(kRootOffset)) {
      Problem("no root chunk at 512");
      return;
    }
    chunks_.front().live = true;
    std::vector<std::pair<ChunkTag, uint32_t>> heads;
    uint32_t prev = kRootOffset;
    uint32_t link = AsOffset(chunks_.front().header.next_head);
    while (link != kNoOffset) {
      const size_t i = Follow("next-head", prev, link, 0);
      if (i == kNotFound) return;
      ChunkRecord& head = chunks_[i];
      if (head.live) {
        Problem("next-head of chunk at " + Num(prev) + " points back to chunk at " + Num(link) +
                ": the list of heads has a cycle");
        return;
      }
      head.live = true;
      head_offsets_.push_back(link);
      const ChunkHeader& h = head.header;
      if (AsOffset(h.prev_head) != prev && !ReplacedHeadStillNamed(h.prev_head, prev)) {
        Problem("prev-head of chunk at " + Num(link) + " is " + LinkText(h.prev_head) +
                ", expected " + Num(prev));
      }
      if (AsOffset(h.prev_in_tag) != kNoOffset) {
        Problem("head at " + Num(link) + " has prev-in-tag " + LinkText(h.prev_in_tag) +
                ", expected -1");
      }
      auto same = std::find_if(heads.begin(), heads.end(),
                               [&](const auto& p) { return p.first == h.tag; });
      if (same != heads.end()) {
        Problem("tag " + TagName(h.tag) + " has a second head at " + Num(link) +
                " (the first is at " + Num(same->second) + ")");
      } else {
        heads.emplace_back(h.tag, link);
      }
      WalkTag(i);
      prev = link;
      link = AsOffset(h.next_head);
    }
  }

 private:
  void Problem(std::string text) {
    if (problems_.size() < kMaxProblems) problems_.push_back(std::move(text));
  }

  // The index of the chunk a link reaches; kNotFound (with a problem) when no header met in
  // file order starts there.
  size_t Follow(const char* name, uint32_t from, uint32_t to, size_t hint) {
    const size_t i = Find(chunks_, to, hint);
    if (i == kNotFound) {
      Problem(std::string(name) + " of chunk at " + Num(from) + " points to " + Num(to) +
              ", where no chunk header starts");
    }
    return i;
  }

  void WalkTag(size_t head) {
    const ChunkTag tag = chunks_[head].header.tag;
    uint32_t prev = chunks_[head].offset;
    uint32_t link = AsOffset(chunks_[head].header.next_in_tag);
    size_t at = head;
    while (link != kNoOffset) {
      const size_t i = Follow("next-in-tag", prev, link, at + 1);
      if (i == kNotFound) return;
      ChunkRecord& c = chunks_[i];
      if (c.header.tag != tag) {
        Problem("next-in-tag of chunk at " + Num(prev) + " reaches chunk at " + Num(link) +
                " of tag " + TagName(c.header.tag) + ", not " + TagName(tag));
        return;
      }
      if (c.live) {
        Problem("next-in-tag of chunk at " + Num(prev) + " points back to chunk at " +
                Num(link) + ": the list of " + TagName(tag) + " has a cycle");
        return;
      }
      c.live = true;
      if (AsOffset(c.header.prev_in_tag) != prev && !UnlinkCutShort(at, c, prev, link)) {
        Problem("prev-in-tag of chunk at " + Num(link) + " is " +
                LinkText(c.header.prev_in_tag) + ", expected " + Num(prev));
      }
      prev = link;
      link = AsOffset(c.header.next_in_tag);
      at = i;
    }
  }

  // Unlinking a chunk writes the forward links first and the links back last, so an unlink
  // cut short leaves links back that still name the chunk being unlinked; the next write of
  // the table puts them right and nothing is lost. Two shapes, both exact:
  //
  // The head's successor (c, reached from the head at prev) already took the head's place
  // (prev-in-tag -1, the head's own head links) while the list of heads still names the old
  // head; or a chunk x was unlinked from the middle: prev links past it to c, and c still
  // links back to x, whose own links name prev and c.
  bool UnlinkCutShort(size_t prev_index, const ChunkRecord& c, uint32_t prev, uint32_t link) {
    const ChunkHeader& old_head = chunks_[prev_index].header;
    if (AsOffset(c.header.prev_in_tag) == kNoOffset) {
      return AsOffset(old_head.prev_in_tag) == kNoOffset && IsHead(prev) &&
             c.header.prev_head == old_head.prev_head && c.header.next_head == old_head.next_head;
    }
    const size_t x = Find(chunks_, AsOffset(c.header.prev_in_tag));
    if (x == kNotFound || chunks_[x].live) return false;
    const ChunkHeader& gone = chunks_[x].header;
    return gone.tag == c.header.tag && AsOffset(gone.prev_in_tag) == prev &&
           AsOffset(gone.next_in_tag) == link;
  }

  // The head at prev took the place of the head named (its next-in-tag is prev): the next
  // head's prev-head is the last link back that unlinking the old head writes.
  bool ReplacedHeadStillNamed(int32_t named, uint32_t prev) {
    const size_t x = Find(chunks_, AsOffset(named));
    const size_t p = Find(chunks_, prev);
    if (x == kNotFound || p == kNotFound || chunks_[x].live) return false;
    const ChunkHeader& gone = chunks_[x].header;
    return gone.tag == chunks_[p].header.tag && AsOffset(gone.next_in_tag) == prev &&
           AsOffset(gone.prev_in_tag) == kNoOffset;
  }

  bool IsHead(uint32_t offset) const {
    return std::find(head_offsets_.begin(), head_offsets_.end(), offset) != head_offsets_.end();
  }

  std::vector<ChunkRecord>& chunks_;
  std::vector<std::string>& problems_;
  std::vector<uint32_t> head_offsets_;
};

// Whether the bytes from at to the end of the file are a chunk whose append was cut short:
// a header cut short, or a whole header whose data runs past the end, that no link reaches
// (an append patches the one link to its chunk only after the whole chunk is written).
bool IsTornTail(ChunkIo& io, const std::vector<ChunkRecord>& chunks, int64_t at, int64_t size) {
  uint8_t raw[kChunkHeaderSize] = {};
  const auto header_bytes = static_cast<size_t>(std::min<int64_t>(size - at, kChunkHeaderSize));
  if (!io.Read(at, raw, header_bytes)) return false;
  if (header_bytes >= chunk_format::kPrevInTagOffset &&
      chunk_format::DecodeFixed32(raw + chunk_format::kSelfOffset) != at) {
    return false;
  }
  if (header_bytes == kChunkHeaderSize) {
    const auto length =
        static_cast<int32_t>(chunk_format::DecodeFixed32(raw + chunk_format::kLengthOffset));
    if (length < 0 || at + static_cast<int64_t>(kChunkHeaderSize) + length <= size) return false;
  }
  const auto target = static_cast<uint32_t>(at);
  return std::none_of(chunks.begin(), chunks.end(), [&](const ChunkRecord& c) {
    return AsOffset(c.header.next_in_tag) == target || AsOffset(c.header.next_head) == target;
  });
}

}  // namespace

std::vector<std::string> DescribeCutOffChunks(const std::vector<ChunkRecord>& chunks,
                                              bool ends_at_file_end) {
  std::vector<std::string> out;
  for (size_t i = 0; i < chunks.size(); ++i) {
    const ChunkRecord& y = chunks[i];
    const ChunkHeader& h = y.header;
    if (y.live || h.tag == kRootTag) continue;
    if (AsOffset(h.prev_in_tag) != kNoOffset) {
      // Behind the live tail of its own tag.
      const size_t x = Find(chunks, AsOffset(h.prev_in_tag));
      if (x == kNotFound || !chunks[x].live || chunks[x].header.tag != h.tag ||
          AsOffset(chunks[x].header.next_in_tag) != kNoOffset) {
        continue;
      }
      const bool killed_append = i + 1 == chunks.size() && ends_at_file_end &&
                                 AsOffset(h.next_in_tag) == kNoOffset;
      if (killed_append) continue;
      size_t count = 1;
      for (size_t k = i; count <= chunks.size();) {
        k = DeadFollower(chunks, chunks[k].header.next_in_tag, chunks[k].offset,
                         &ChunkHeader::prev_in_tag, h.tag);
        if (k == kNotFound) break;
        ++count;
      }
      out.push_back("next-in-tag of chunk at " + Num(chunks[x].offset) + " is -1, yet chunk at " +
                    Num(y.offset) + " still links back to it: " + Num(static_cast<int64_t>(count)) +
                    " chunks of " + TagName(h.tag) + " from " + Num(y.offset) +
                    " on are cut off from the list");
      continue;
    }
    // A head behind the live last head, with a chunk behind it that still links back to it.
    const size_t p = Find(chunks, AsOffset(h.prev_head));
    if (p == kNotFound || !chunks[p].live ||
        AsOffset(chunks[p].header.next_head) != kNoOffset ||
        (chunks[p].header.tag != kRootTag &&
         AsOffset(chunks[p].header.prev_in_tag) != kNoOffset)) {
      continue;
    }
    const bool followed =
        DeadFollower(chunks, h.next_in_tag, y.offset, &ChunkHeader::prev_in_tag, h.tag) !=
            kNotFound ||
        DeadFollower(chunks, h.next_head, y.offset, &ChunkHeader::prev_head, kRootTag) !=
            kNotFound;
    if (!followed) continue;
    size_t count = 1;
    for (size_t k = i; count <= chunks.size();) {
      k = DeadFollower(chunks, chunks[k].header.next_head, chunks[k].offset,
                       &ChunkHeader::prev_head, kRootTag);
      if (k == kNotFound) break;
      ++count;
    }
    out.push_back("next-head of chunk at " + Num(chunks[p].offset) + " is -1, yet the head of " +
                  TagName(h.tag) + " at " + Num(y.offset) + " still links back to it: " +
                  Num(static_cast<int64_t>(count)) + " heads from " + Num(y.offset) +
                  " on, with their tags' chunks, are cut off from the list of heads");
  }
  return out;
}

bool VerifyListsForChange(const std::string& path, std::vector<ChunkHeader> seen,
                          std::vector<std::string>* problems) {
  std::vector<std::string> found;
  std::unique_ptr<platform::File> file =
      platform::Platform::Current().Open(path, platform::OpenMode::kRead);
  if (!file) {
    found.push_back("cannot open " + path);
  } else {
    // The headers in file order, 36 bytes each, the data between them never read, nor a
    // header already seen. A header that fails its checks ends the walk; a link past it then
    // finds no header.
    const auto by_offset = [](const ChunkHeader& a, const ChunkHeader& b) {
      return AsOffset(a.self) < AsOffset(b.self);
    };
    if (!std::is_sorted(seen.begin(), seen.end(), by_offset)) {
      std::sort(seen.begin(), seen.end(), by_offset);
    }
    ChunkIo io(std::move(file));
    const int64_t size = io.size();
    std::vector<ChunkRecord> chunks;
    chunks.reserve(seen.size());
    size_t known = 0;
    int64_t at = kRootOffset;
    while (at + static_cast<int64_t>(kChunkHeaderSize) <= size &&
           at < chunk_format::kOffsetLimit) {
      while (known < seen.size() && AsOffset(seen[known].self) < at) ++known;
      ChunkHeader h;
      if (known < seen.size() && AsOffset(seen[known].self) == at) {
        h = seen[known];
      } else if (io.ReadHeaderOnly(static_cast<uint32_t>(at), &h) != 0) {
        break;
      }
      chunks.push_back({static_cast<uint32_t>(at), h, false});
      at += static_cast<int64_t>(kChunkHeaderSize) + h.length;
    }
    ListChecker(chunks, found).Run();
    for (std::string& cut : DescribeCutOffChunks(chunks, at == size)) {
      if (found.size() < kMaxProblems) found.push_back(std::move(cut));
    }
    // A change appends at the end of the file: behind bytes that stop the walk (a damaged
    // header) the new chunk could never be found again. An append cut short is the one
    // exception: the change cuts it off before it writes (ChunkFile::CutUnlinkedTail).
    if (at != size && !IsTornTail(io, chunks, at, size) && found.size() < kMaxProblems) {
      found.push_back("the chunks in file order end at " + Num(at) + ", " + Num(size - at) +
                      " bytes before the end of the file: a chunk there was cut short or its "
                      "header is damaged, and a chunk appended behind it could not be found");
    }
  }
  const bool sound = found.empty();
  if (problems != nullptr) *problems = std::move(found);
  return sound;
}

}  // namespace veldra
