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

constexpr size_t kNotFound = kNoChunk;

std::string Num(int64_t v) { return std::to_string(v); }

// The chunk at link when it is dead, carries tag (any tag when tag is the root's) and links
// back to from through the field back (prev-in-tag or prev-head); kNotFound otherwise.
size_t DeadFollower(const std::vector<ChunkRecord>& chunks, int32_t link, uint32_t from,
                    int32_t ChunkHeader::*back, ChunkTag tag) {
  const size_t k = FindChunkAt(chunks, AsOffset(link));
  if (k == kNotFound || chunks[k].live) return kNotFound;
  const ChunkHeader& h = chunks[k].header;
  if (tag != kRootTag && h.tag != tag) return kNotFound;
  return AsOffset(h.*back) == from ? k : kNotFound;
}

}  // namespace

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

std::vector<std::string> DescribeCutOffChunks(const std::vector<ChunkRecord>& chunks,
                                              bool ends_at_file_end) {
  std::vector<std::string> out;
  for (size_t i = 0; i < chunks.size(); ++i) {
    const ChunkRecord& y = chunks[i];
    const ChunkHeader& h = y.header;
    if (y.live || h.tag == kRootTag) continue;
    if (AsOffset(h.prev_in_tag) != kNoOffset) {
      // Behind the live tail of its own tag.
      const size_t x = FindChunkAt(chunks, AsOffset(h.prev_in_tag));
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
    const size_t p = FindChunkAt(chunks, AsOffset(h.prev_head));
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
  ContainerReport report;
  const bool container = InspectContainer(path, &report, std::move(seen));
  std::vector<std::string> found;
  for (Finding& finding : report.findings) {
    if (!container || finding.kind == FindingKind::kDamage) found.push_back(std::move(finding.text));
  }
  if (!container && found.empty()) found.push_back("the file is not a container");
  const bool sound = found.empty();
  if (problems != nullptr) *problems = std::move(found);
  return sound;
}

}  // namespace veldra
