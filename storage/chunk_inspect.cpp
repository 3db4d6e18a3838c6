#include "storage/chunk_inspect.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <unordered_map>
#include <utility>

#include "platform/platform.h"
#include "storage/chunk_io.h"
#include "storage/chunk_verify.h"

namespace veldra {

using chunk_format::AsOffset;
using chunk_format::HeaderFault;
using chunk_format::kChunkHeaderSize;
using chunk_format::kNoOffset;
using chunk_format::kRootOffset;
using chunk_format::TagName;

namespace {

// A damaged file can yield a problem per chunk; past this many the rest are only counted.
constexpr size_t kMaxProblems = 500;
constexpr size_t kNotFound = kNoChunk;

// What each kind of interrupted write leaves, and what puts it right.
constexpr char kTornAppend[] =
    ": an append cut short left it, and the next change cuts it off";
constexpr char kUnlinkCutShort[] =
    ": an unlink cut short left it, and the next write of the table puts it right";

std::string Num(int64_t v) { return std::to_string(v); }

// A link's value as `dump` shows it: a signed 32-bit number (-1 is none).
std::string LinkText(int32_t link) { return Num(link); }

// Which list reached a chunk first.
constexpr int kNoList = -1;
constexpr int kHeadsList = 0;

class Inspector {
 public:
  Inspector(ChunkIo& io, ContainerReport* report, std::vector<ChunkHeader> seen)
      : io_(io), report_(report), seen_(std::move(seen)) {}

  void Run() {
    WalkFileOrder();
    owner_.assign(report_->chunks.size(), kNoList);
    WalkHeads();
    for (size_t i = 0; i < report_->chunks.size(); ++i) {
      report_->chunks[i].live = owner_[i] != kNoList;
    }
    for (std::string& cut : DescribeCutOffChunks(report_->chunks, ends_at_file_end_)) {
      Damage(std::move(cut));
    }
    if (dropped_ > 0) {
      report_->findings.push_back({FindingKind::kDamage, Num(dropped_) + " further problems not listed"});
    }
  }

 private:
  // A chunk a link reaches: one met in file order (index), or a header read where no walk in
  // file order found one (index kNotFound; damage in itself, described where it is met).
  struct Target {
    size_t index = kNotFound;
    uint32_t at = 0;
    ChunkHeader h;
  };

  void Add(FindingKind kind, std::string text) {
    if (report_->findings.size() < kMaxProblems) {
      report_->findings.push_back({kind, std::move(text)});
    } else {
      ++dropped_;
    }
  }
  void Damage(std::string text) { Add(FindingKind::kDamage, std::move(text)); }

  bool ReadRaw(uint32_t at, ChunkHeader* h) {
    const uint8_t* bytes = io_.Peek(at, kChunkHeaderSize);
    if (bytes == nullptr) return false;
    *h = chunk_format::DecodeChunkHeader(bytes);
    return true;
  }

  // The header at `at` for the walk in file order: one the loader saw, or one read now
  // (36 bytes alone, the data around it never read). false when it cannot be read at all.
  bool HeaderAt(uint32_t at, ChunkHeader* h) {
    while (known_ < seen_.size() && AsOffset(seen_[known_].self) < at) ++known_;
    if (known_ < seen_.size() && AsOffset(seen_[known_].self) == at) {
      *h = seen_[known_];
      return true;
    }
    return io_.ReadHeaderOnly(at, h) == 0 || ReadRaw(at, h);
  }

  // The next offset after from where a sound header starts (self equal to its offset), or
  // kNoOffset. Used to find the chain in file order again behind a damaged header.
  uint32_t Resync(int64_t from) {
    const int64_t size = io_.size();
    for (int64_t p = from; p + static_cast<int64_t>(kChunkHeaderSize) <= size; ++p) {
      if (p > chunk_format::kOffsetLimit) break;
      const uint8_t* self = io_.Peek(p + chunk_format::kSelfOffset, 4);
      if (self == nullptr) break;
      if (chunk_format::DecodeFixed32(self) != static_cast<uint32_t>(p)) continue;
      ChunkHeader h;
      if (ReadRaw(static_cast<uint32_t>(p), &h) &&
          chunk_format::CheckChunkHeader(h, static_cast<uint32_t>(p), size) ==
              HeaderFault::kNone) {
        return static_cast<uint32_t>(p);
      }
    }
    return kNoOffset;
  }

  std::string DescribeFault(HeaderFault fault, const ChunkHeader& h, uint32_t at) {
    switch (fault) {
      case HeaderFault::kSelfMismatch:
        return "header at " + Num(at) + " has self field " + Num(AsOffset(h.self));
      case HeaderFault::kBadLength:
        return "chunk at " + Num(at) + " has length " + Num(h.length) +
               ", which runs past end of file";
      case HeaderFault::kPastEnd:
        return "header at " + Num(at) + " runs past end of file";
      case HeaderFault::kBeforeFirstChunk:
      case HeaderFault::kNone:
        break;
    }
    return "header at " + Num(at) + " cannot be read";
  }

  // A stretch the walk cannot read: a finding, and the stretch for those who salvage. From
  // `from` to the end of the file it may be an append cut short, which is no damage.
  void Unread(int64_t from, int64_t to, std::string text) {
    const bool torn = to == io_.size() && IsTornTail(io_, report_->chunks, from, to);
    if (torn) text += kTornAppend;
    report_->unread.push_back({from, to, text});
    Add(torn ? FindingKind::kInterruptedWrite : FindingKind::kDamage, std::move(text));
  }

  void WalkFileOrder() {
    const int64_t size = io_.size();
    if (!std::is_sorted(seen_.begin(), seen_.end(), [](const ChunkHeader& a, const ChunkHeader& b) {
          return AsOffset(a.self) < AsOffset(b.self);
        })) {
      std::sort(seen_.begin(), seen_.end(), [](const ChunkHeader& a, const ChunkHeader& b) {
        return AsOffset(a.self) < AsOffset(b.self);
      });
    }
    report_->chunks.reserve(seen_.size());
    int64_t at = kRootOffset;
    ends_at_file_end_ = true;
    while (at < size) {
      ends_at_file_end_ = false;
      if (at > chunk_format::kOffsetLimit - static_cast<int64_t>(kChunkHeaderSize)) {
        Unread(at, size, Num(size - at) + " bytes from " + Num(at) + " lie beyond 32-bit offsets");
        return;
      }
      const auto offset = static_cast<uint32_t>(at);
      if (at + static_cast<int64_t>(kChunkHeaderSize) > size) {
        Unread(at, size, Num(size - at) + " bytes at " + Num(at) +
                             " after the last chunk are too short for a header");
        return;
      }
      ChunkHeader h;
      if (!HeaderAt(offset, &h)) {
        Unread(at, size, "header at " + Num(at) + " cannot be read");
        return;
      }
      const HeaderFault fault = chunk_format::CheckChunkHeader(h, offset, size);
      if (fault == HeaderFault::kNone) {
        report_->chunks.push_back({offset, h, false});
        at += static_cast<int64_t>(kChunkHeaderSize) + h.length;
        ends_at_file_end_ = at == size;
        continue;
      }
      const std::string what = DescribeFault(fault, h, offset);
      if (IsTornTail(io_, report_->chunks, at, size)) {
        Unread(at, size, what);
        return;
      }
      const uint32_t next = Resync(at + 1);
      if (next == kNoOffset) {
        Unread(at, size, what + "; no chunk header follows up to end of file");
        return;
      }
      Unread(at, next, what + "; the next chunk header found in file order is at " + Num(next));
      at = next;
    }
  }

  size_t Find(uint32_t offset, size_t hint = 0) const {
    return FindChunkAt(report_->chunks, offset, hint);
  }

  int& Owner(const Target& t) {
    return t.index != kNotFound ? owner_[t.index] : off_chain_owner_.try_emplace(t.at, kNoList).first->second;
  }

  bool Dead(size_t index) const { return index != kNotFound && owner_[index] == kNoList; }

  // Checks a link before it is followed; false (with a finding) when it cannot be.
  bool CheckLink(const char* name, uint32_t from, uint32_t to, size_t hint, Target* out) {
    out->at = to;
    out->index = Find(to, hint);
    if (out->index != kNotFound) {
      out->h = report_->chunks[out->index].header;
      return true;
    }
    // Damage from here on.
    const std::string link = std::string(name) + " of chunk at " + Num(from);
    if (to < static_cast<uint32_t>(kRootOffset)) {
      Damage(link + " points into the file header (" + Num(to) + ")");
      return false;
    }
    if (int64_t{to} + static_cast<int64_t>(kChunkHeaderSize) > io_.size()) {
      Damage(link + " points past end of file");
      return false;
    }
    ChunkHeader h;
    if (!ReadRaw(to, &h)) {
      Damage(link + " points to " + Num(to) + ", which cannot be read");
      return false;
    }
    const HeaderFault fault = chunk_format::CheckChunkHeader(h, to, io_.size());
    if (fault == HeaderFault::kSelfMismatch) {
      Damage(link + " points to " + Num(to) + ", where the header's self field is " +
             Num(AsOffset(h.self)));
      return false;
    }
    if (fault != HeaderFault::kNone) {
      Damage(link + " points to chunk at " + Num(to) + ", whose length " + Num(h.length) +
             " runs past end of file");
      return false;
    }
    Damage(link + " points to " + Num(to) + ", which is not on the chain of chunks in file order");
    out->h = h;
    return true;
  }

  void WalkHeads() {
    const std::vector<ChunkRecord>& chunks = report_->chunks;
    if (chunks.empty() || chunks.front().offset != static_cast<uint32_t>(kRootOffset)) {
      Damage("no root chunk at 512");
      return;
    }
    const ChunkHeader root = chunks.front().header;
    if (root.tag != kRootTag) {
      Damage("root chunk at 512 has tag " + TagName(root.tag) + ", not -1");
    }
    if (root.length != 0) Damage("root chunk at 512 has length " + Num(root.length));
    if (root.prev_in_tag != -1 || root.next_in_tag != -1 || root.prev_head != -1) {
      Damage("root chunk at 512 has links other than next-head set");
    }
    owner_[0] = kHeadsList;
    std::vector<std::pair<ChunkTag, uint32_t>> heads;
    Target prev;
    prev.index = 0;
    prev.at = kRootOffset;
    prev.h = root;
    uint32_t link = AsOffset(root.next_head);
    int list = kHeadsList;
    while (link != kNoOffset) {
      Target t;
      if (!CheckLink("next-head", prev.at, link, 0, &t)) return;
      int& owner = Owner(t);
      if (owner == kHeadsList) {
        Damage("next-head of chunk at " + Num(prev.at) + " points back to chunk at " + Num(link) +
               ": the list of heads has a cycle");
        return;
      }
      owner = kHeadsList;
      head_offsets_.push_back(link);
      const ChunkHeader& h = t.h;
      if (AsOffset(h.prev_head) != prev.at) {
        const std::string text = "prev-head of chunk at " + Num(link) + " is " +
                                 LinkText(h.prev_head) + ", expected " + Num(prev.at);
        if (ReplacedHeadStillNamed(h.prev_head, prev)) {
          Add(FindingKind::kInterruptedWrite, text + kUnlinkCutShort);
        } else {
          Damage(text);
        }
      }
      if (h.prev_in_tag != -1) {
        Damage("head at " + Num(link) + " has prev-in-tag " + LinkText(h.prev_in_tag) +
               ", expected -1");
      }
      if (h.tag == kRootTag) {
        Damage("chunk at " + Num(link) + " in the list of heads has the root's tag -1");
      }
      auto same = std::find_if(heads.begin(), heads.end(),
                               [&](const auto& p) { return p.first == h.tag; });
      if (same != heads.end()) {
        Damage("tag " + TagName(h.tag) + " has a second head at " + Num(link) +
               " (the first is at " + Num(same->second) + ")");
      } else {
        heads.emplace_back(h.tag, link);
      }
      WalkTag(t, ++list);
      prev = t;
      link = AsOffset(h.next_head);
    }
  }

  void WalkTag(const Target& head, int list) {
    const std::string tag = TagName(head.h.tag);
    Target prev = head;
    uint32_t link = AsOffset(head.h.next_in_tag);
    while (link != kNoOffset) {
      Target t;
      if (!CheckLink("next-in-tag", prev.at, link,
                     prev.index == kNotFound ? 0 : prev.index + 1, &t)) {
        return;
      }
      int& owner = Owner(t);
      if (owner == list || t.at == head.at) {
        Damage("next-in-tag of chunk at " + Num(prev.at) + " points back to chunk at " +
               Num(link) + ": the list of " + tag + " has a cycle");
        return;
      }
      const ChunkHeader& h = t.h;
      if (h.tag != head.h.tag) {
        Damage("next-in-tag of chunk at " + Num(prev.at) + " reaches chunk at " + Num(link) +
               " of tag " + TagName(h.tag) + ", not " + tag);
        return;
      }
      if (owner != kNoList) {
        Damage("chunk at " + Num(link) + " is reached from more than one list");
        return;
      }
      owner = list;
      // The successor of a head being unlinked takes the head's links first.
      const bool heir = HeirOfUnlinkedHead(prev, t);
      if (AsOffset(h.prev_in_tag) != prev.at) {
        const std::string text = "prev-in-tag of chunk at " + Num(link) + " is " +
                                 LinkText(h.prev_in_tag) + ", expected " + Num(prev.at);
        if (heir || MiddleUnlinkCutShort(t, prev.at)) {
          Add(FindingKind::kInterruptedWrite, text + kUnlinkCutShort);
        } else {
          Damage(text);
        }
      }
      if (h.prev_head != -1 || h.next_head != -1) {
        const std::string text = "chunk at " + Num(link) + " is not a head but has head links " +
                                 LinkText(h.prev_head) + " and " + LinkText(h.next_head);
        if (heir) {
          Add(FindingKind::kInterruptedWrite, text + kUnlinkCutShort);
        } else {
          Damage(text);
        }
      }
      prev = t;
      link = AsOffset(h.next_in_tag);
    }
  }

  // Unlinking a chunk writes the forward links first and the links back last, so an unlink
  // cut short leaves links back that still name the chunk being unlinked; the next write of
  // the table puts them right and nothing is lost. The shapes are exact:
  //
  // The head's successor c (reached from the head at prev) has already taken the head's
  // place (prev-in-tag -1, the head's own head links) while the list of heads still names the
  // old head.
  bool HeirOfUnlinkedHead(const Target& prev, const Target& c) const {
    return AsOffset(c.h.prev_in_tag) == kNoOffset && AsOffset(prev.h.prev_in_tag) == kNoOffset &&
           IsHead(prev.at) && c.h.prev_head == prev.h.prev_head &&
           c.h.next_head == prev.h.next_head;
  }

  // A chunk x was unlinked from the middle: prev links past it to c, and c still links back
  // to x, whose own links name prev and c.
  bool MiddleUnlinkCutShort(const Target& c, uint32_t prev) const {
    const size_t x = Find(AsOffset(c.h.prev_in_tag));
    if (x == kNotFound || !Dead(x)) return false;
    const ChunkHeader& gone = report_->chunks[x].header;
    return gone.tag == c.h.tag && AsOffset(gone.prev_in_tag) == prev &&
           AsOffset(gone.next_in_tag) == c.at;
  }

  // The head at prev took the place of the head named (whose next-in-tag is prev): the next
  // head's prev-head is the last link back that unlinking the old head writes.
  bool ReplacedHeadStillNamed(int32_t named, const Target& prev) const {
    const size_t x = Find(AsOffset(named));
    if (x == kNotFound || !Dead(x) || prev.index == kNotFound) return false;
    const ChunkHeader& gone = report_->chunks[x].header;
    return gone.tag == prev.h.tag && AsOffset(gone.next_in_tag) == prev.at &&
           AsOffset(gone.prev_in_tag) == kNoOffset;
  }

  bool IsHead(uint32_t offset) const {
    return std::find(head_offsets_.begin(), head_offsets_.end(), offset) != head_offsets_.end();
  }

  ChunkIo& io_;
  ContainerReport* report_;
  std::vector<ChunkHeader> seen_;  // sorted by offset
  size_t known_ = 0;               // seen_ before this index lies behind the walk
  std::vector<int> owner_;         // per chunk in file order: the list that reached it
  std::unordered_map<uint32_t, int> off_chain_owner_;  // the same for headers off the chain
  std::vector<uint32_t> head_offsets_;
  bool ends_at_file_end_ = false;  // the last header met in file order ends the file
  size_t dropped_ = 0;
};

}  // namespace

size_t FindChunkAt(const std::vector<ChunkRecord>& chunks, uint32_t offset, size_t hint) {
  if (offset == kNoOffset) return kNoChunk;
  for (size_t i = hint; i < chunks.size() && i < hint + 8; ++i) {
    if (chunks[i].offset == offset) return i;
    if (chunks[i].offset > offset) break;
  }
  auto it = std::lower_bound(chunks.begin(), chunks.end(), offset,
                             [](const ChunkRecord& c, uint32_t at) { return c.offset < at; });
  return it != chunks.end() && it->offset == offset ? static_cast<size_t>(it - chunks.begin())
                                                    : kNoChunk;
}

bool HasDamage(const std::vector<Finding>& findings) {
  return std::any_of(findings.begin(), findings.end(),
                     [](const Finding& f) { return f.kind == FindingKind::kDamage; });
}

bool InspectContainer(const std::string& path, ContainerReport* report,
                      std::vector<ChunkHeader> seen) {
  *report = ContainerReport();
  const auto fail = [&](std::string text) {
    report->findings.push_back({FindingKind::kDamage, text});
    report->problems.push_back(std::move(text));
    return false;
  };
  std::unique_ptr<platform::File> file =
      platform::Platform::Current().Open(path, platform::OpenMode::kRead);
  if (!file) return fail("cannot open " + path);
  ChunkIo io(std::move(file));
  report->file_size = io.size();
  uint8_t header[chunk_format::kFileHeaderSize];
  // Read on its own: the bytes behind it are a PDF's as often as not.
  const platform::ReadSlice slice{header, sizeof header};
  if (io.ReadDirect(0, &slice, 1) != static_cast<int64_t>(sizeof header)) {
    return fail("file is " + Num(io.size()) + " bytes, shorter than the 512-byte file header");
  }
  if (std::memcmp(header, chunk_format::kMagic, sizeof chunk_format::kMagic) != 0) {
    return fail("file does not start with \"RUX\"");
  }
  const int version = chunk_format::DecodeFixed16(header + chunk_format::kVersionOffset);
  if (version != chunk_format::kVersion) {
    return fail("format version is " + Num(version) + ", not 2");
  }
  // Byte 3 and everything after the version are zero.
  size_t nonzero = header[sizeof chunk_format::kMagic] != 0 ? sizeof chunk_format::kMagic : 0;
  for (size_t i = chunk_format::kVersionOffset + 2; nonzero == 0 && i < sizeof header; ++i) {
    if (header[i] != 0) nonzero = i;
  }
  if (nonzero != 0) {
    report->findings.push_back(
        {FindingKind::kDamage, "file header byte " + Num(static_cast<int64_t>(nonzero)) + " is not zero"});
  }
  Inspector(io, report, std::move(seen)).Run();
  for (const Finding& finding : report->findings) report->problems.push_back(finding.text);
  return true;
}

bool VerifyContainer(const std::string& path, std::vector<std::string>* problems) {
  ContainerReport report;
  InspectContainer(path, &report);
  const bool sound = report.problems.empty();
  if (problems != nullptr) *problems = std::move(report.problems);
  return sound;
}

}  // namespace veldra
