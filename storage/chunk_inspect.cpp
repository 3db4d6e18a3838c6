#include "storage/chunk_inspect.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <memory>
#include <set>
#include <string>

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

std::string Num(int64_t v) { return std::to_string(v); }

class Inspector {
 public:
  Inspector(ChunkIo& io, ContainerReport* report) : io_(io), report_(report) {}

  void Run() {
    WalkFileOrder();
    WalkHeads();
    for (ChunkRecord& c : report_->chunks) c.live = live_.count(c.offset) > 0;
    for (std::string& cut : DescribeCutOffChunks(report_->chunks, ends_at_file_end_)) {
      Problem(std::move(cut));
    }
    if (dropped_ > 0) {
      report_->problems.push_back(Num(dropped_) + " further problems not listed");
    }
  }

 private:
  void Problem(std::string text) {
    if (report_->problems.size() < kMaxProblems) {
      report_->problems.push_back(std::move(text));
    } else {
      ++dropped_;
    }
  }

  bool ReadRaw(uint32_t at, ChunkHeader* h) {
    const uint8_t* bytes = io_.Peek(at, kChunkHeaderSize);
    if (bytes == nullptr) return false;
    *h = chunk_format::DecodeChunkHeader(bytes);
    return true;
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

  // A stretch the walk cannot read: a problem, and the stretch for those who salvage.
  void Unread(int64_t from, int64_t to, std::string text) {
    report_->unread.push_back({from, to, text});
    Problem(std::move(text));
  }

  void WalkFileOrder() {
    const int64_t size = io_.size();
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
      if (!ReadRaw(offset, &h)) {
        Unread(at, size, "header at " + Num(at) + " cannot be read");
        return;
      }
      const HeaderFault fault = chunk_format::CheckChunkHeader(h, offset, size);
      if (fault == HeaderFault::kNone) {
        report_->chunks.push_back({offset, h, false});
        physical_.insert(offset);
        at += static_cast<int64_t>(kChunkHeaderSize) + h.length;
        ends_at_file_end_ = at == size;
        continue;
      }
      const std::string what = DescribeFault(fault, h, offset);
      const uint32_t next = Resync(at + 1);
      if (next == kNoOffset) {
        Unread(at, size, what + "; no chunk header follows up to end of file");
        return;
      }
      Unread(at, next, what + "; the next chunk header found in file order is at " + Num(next));
      at = next;
    }
  }

  // Checks a link before it is followed; false (with a problem) when it cannot be.
  bool CheckLink(const char* name, uint32_t from, uint32_t to, ChunkHeader* out) {
    const std::string link = std::string(name) + " of chunk at " + Num(from);
    if (to < static_cast<uint32_t>(kRootOffset)) {
      Problem(link + " points into the file header (" + Num(to) + ")");
      return false;
    }
    if (int64_t{to} + static_cast<int64_t>(kChunkHeaderSize) > io_.size()) {
      Problem(link + " points past end of file");
      return false;
    }
    ChunkHeader h;
    if (!ReadRaw(to, &h)) {
      Problem(link + " points to " + Num(to) + ", which cannot be read");
      return false;
    }
    const HeaderFault fault = chunk_format::CheckChunkHeader(h, to, io_.size());
    if (fault == HeaderFault::kSelfMismatch) {
      Problem(link + " points to " + Num(to) + ", where the header's self field is " +
              Num(AsOffset(h.self)));
      return false;
    }
    if (fault != HeaderFault::kNone) {
      Problem(link + " points to chunk at " + Num(to) + ", whose length " + Num(h.length) +
              " runs past end of file");
      return false;
    }
    if (physical_.count(to) == 0) {
      Problem(link + " points to " + Num(to) +
              ", which is not on the chain of chunks in file order");
    }
    *out = h;
    return true;
  }

  void WalkHeads() {
    ChunkHeader root;
    if (physical_.count(kRootOffset) == 0 || !ReadRaw(kRootOffset, &root)) {
      Problem("no root chunk at 512");
      return;
    }
    if (root.tag != kRootTag) {
      Problem("root chunk at 512 has tag " + TagName(root.tag) + ", not -1");
    }
    if (root.length != 0) Problem("root chunk at 512 has length " + Num(root.length));
    if (root.prev_in_tag != -1 || root.next_in_tag != -1 || root.prev_head != -1) {
      Problem("root chunk at 512 has links other than next-head set");
    }
    live_.insert(kRootOffset);
    std::set<uint32_t> seen = {static_cast<uint32_t>(kRootOffset)};
    std::map<ChunkTag, uint32_t> heads;
    uint32_t prev = kRootOffset;
    uint32_t link = AsOffset(root.next_head);
    while (link != kNoOffset) {
      ChunkHeader h;
      if (!CheckLink("next-head", prev, link, &h)) return;
      if (seen.count(link) > 0) {
        Problem("next-head of chunk at " + Num(prev) + " points back to chunk at " +
                Num(link) + ": the list of heads has a cycle");
        return;
      }
      seen.insert(link);
      if (AsOffset(h.prev_head) != prev) {
        Problem("prev-head of chunk at " + Num(link) + " is " + LinkText(h.prev_head) +
                ", expected " + Num(prev));
      }
      if (h.prev_in_tag != -1) {
        Problem("head at " + Num(link) + " has prev-in-tag " + LinkText(h.prev_in_tag) +
                ", expected -1");
      }
      if (h.tag == kRootTag) {
        Problem("chunk at " + Num(link) + " in the list of heads has the root's tag -1");
      }
      const auto [it, fresh] = heads.emplace(h.tag, link);
      if (!fresh) {
        Problem("tag " + TagName(h.tag) + " has a second head at " + Num(link) +
                " (the first is at " + Num(it->second) + ")");
      }
      live_.insert(link);
      WalkTag(link, h);
      prev = link;
      link = AsOffset(h.next_head);
    }
  }

  void WalkTag(uint32_t head_at, const ChunkHeader& head) {
    const std::string tag = TagName(head.tag);
    std::set<uint32_t> seen = {head_at};
    uint32_t prev = head_at;
    uint32_t link = AsOffset(head.next_in_tag);
    while (link != kNoOffset) {
      ChunkHeader h;
      if (!CheckLink("next-in-tag", prev, link, &h)) return;
      if (seen.count(link) > 0) {
        Problem("next-in-tag of chunk at " + Num(prev) + " points back to chunk at " +
                Num(link) + ": the list of " + tag + " has a cycle");
        return;
      }
      if (h.tag != head.tag) {
        Problem("next-in-tag of chunk at " + Num(prev) + " reaches chunk at " + Num(link) +
                " of tag " + TagName(h.tag) + ", not " + tag);
        return;
      }
      if (live_.count(link) > 0) {
        Problem("chunk at " + Num(link) + " is reached from more than one list");
        return;
      }
      seen.insert(link);
      live_.insert(link);
      if (AsOffset(h.prev_in_tag) != prev) {
        Problem("prev-in-tag of chunk at " + Num(link) + " is " + LinkText(h.prev_in_tag) +
                ", expected " + Num(prev));
      }
      if (h.prev_head != -1 || h.next_head != -1) {
        Problem("chunk at " + Num(link) + " is not a head but has head links " +
                LinkText(h.prev_head) + " and " + LinkText(h.next_head));
      }
      prev = link;
      link = AsOffset(h.next_in_tag);
    }
  }

  static std::string LinkText(int32_t link) {
    return AsOffset(link) == kNoOffset ? "-1" : Num(AsOffset(link));
  }

  ChunkIo& io_;
  ContainerReport* report_;
  std::set<uint32_t> physical_;  // offsets of the headers found in file order
  std::set<uint32_t> live_;
  bool ends_at_file_end_ = false;  // the last header met in file order ends the file
  size_t dropped_ = 0;
};

}  // namespace

bool InspectContainer(const std::string& path, ContainerReport* report) {
  *report = ContainerReport();
  std::unique_ptr<platform::File> file =
      platform::Platform::Current().Open(path, platform::OpenMode::kRead);
  if (!file) {
    report->problems.push_back("cannot open " + path);
    return false;
  }
  ChunkIo io(std::move(file));
  report->file_size = io.size();
  uint8_t header[chunk_format::kFileHeaderSize];
  if (!io.Read(0, header, sizeof header)) {
    report->problems.push_back("file is " + Num(io.size()) +
                               " bytes, shorter than the 512-byte file header");
    return false;
  }
  if (std::memcmp(header, chunk_format::kMagic, sizeof chunk_format::kMagic) != 0) {
    report->problems.push_back("file does not start with \"RUX\"");
    return false;
  }
  const int version = chunk_format::DecodeFixed16(header + chunk_format::kVersionOffset);
  if (version != chunk_format::kVersion) {
    report->problems.push_back("format version is " + Num(version) + ", not 2");
    return false;
  }
  // Byte 3 and everything after the version are zero.
  size_t nonzero = header[sizeof chunk_format::kMagic] != 0 ? sizeof chunk_format::kMagic : 0;
  for (size_t i = chunk_format::kVersionOffset + 2; nonzero == 0 && i < sizeof header; ++i) {
    if (header[i] != 0) nonzero = i;
  }
  if (nonzero != 0) {
    report->problems.push_back("file header byte " + Num(static_cast<int64_t>(nonzero)) +
                               " is not zero");
  }
  Inspector(io, report).Run();
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
