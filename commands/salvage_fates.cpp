// ChunkFates: which chunks that no list reaches were cut off by damage, and which were
// deleted on purpose (commands/salvage.h).
#include <set>
#include <unordered_map>
#include <utility>

#include "commands/salvage.h"

namespace veldra::commands {

using chunk_format::AsOffset;
using chunk_format::kNoOffset;
using chunk_format::kRootOffset;

std::vector<ChunkFate> ChunkFates(const std::vector<ChunkRecord>& chunks) {
  const size_t n = chunks.size();
  std::vector<ChunkFate> fate(n, ChunkFate::kDeleted);
  std::unordered_map<uint32_t, size_t> index;
  for (size_t i = 0; i < n; ++i) index.emplace(chunks[i].offset, i);
  // The chunk at link, or n when no chunk (of tag, when tag is given) starts there.
  auto chunk_at = [&](int32_t link) {
    const auto it = index.find(AsOffset(link));
    return it == index.end() ? n : it->second;
  };
  auto chunk_of = [&](int32_t link, ChunkTag tag) {
    const size_t i = chunk_at(link);
    return i < n && chunks[i].header.tag == tag ? i : n;
  };
  auto recovered = [&](size_t i) { return fate[i] != ChunkFate::kDeleted; };

  std::set<ChunkTag> live_tags;
  std::unordered_multimap<uint32_t, size_t> by_prev_in_tag;  // chunks waiting on a link
  std::unordered_multimap<uint32_t, size_t> by_prev_head;
  for (size_t i = 0; i < n; ++i) {
    const ChunkHeader& h = chunks[i].header;
    if (chunks[i].live) {
      fate[i] = ChunkFate::kLive;
      live_tags.insert(h.tag);
    } else if (AsOffset(h.prev_in_tag) != kNoOffset) {
      by_prev_in_tag.emplace(AsOffset(h.prev_in_tag), i);
    } else {
      by_prev_head.emplace(AsOffset(h.prev_head), i);
    }
  }
  std::set<std::pair<ChunkTag, uint32_t>> ran_into;  // a tag's list met damage there
  std::set<uint32_t> heads_ran_into;                  // the list of heads met damage there
  if (chunk_at(kRootOffset) == n) heads_ran_into.insert(kRootOffset);
  std::vector<bool> named_next(n, false);  // a recovered chunk of its tag names it as next

  std::vector<size_t> work;
  auto wake = [&](uint32_t offset) {
    for (auto [it, end] = by_prev_in_tag.equal_range(offset); it != end; ++it) {
      work.push_back(it->second);
    }
    for (auto [it, end] = by_prev_head.equal_range(offset); it != end; ++it) {
      work.push_back(it->second);
    }
  };
  // What a recovered chunk tells about the chunks around it.
  auto spread = [&](size_t i) {
    const ChunkHeader& h = chunks[i].header;
    wake(chunks[i].offset);
    if (AsOffset(h.next_in_tag) != kNoOffset) {
      const size_t next = chunk_of(h.next_in_tag, h.tag);
      if (next < n) {
        named_next[next] = true;
        work.push_back(next);
      } else {
        ran_into.insert({h.tag, AsOffset(h.next_in_tag)});
        wake(AsOffset(h.next_in_tag));
      }
    }
    if (AsOffset(h.next_head) != kNoOffset && chunk_at(h.next_head) == n) {
      heads_ran_into.insert(AsOffset(h.next_head));
      wake(AsOffset(h.next_head));
    }
  };
  auto cut_off = [&](size_t i) {
    const ChunkHeader& h = chunks[i].header;
    const uint32_t self = chunks[i].offset;
    if (named_next[i]) return true;
    if (AsOffset(h.prev_in_tag) != kNoOffset) {
      const size_t prev = chunk_of(h.prev_in_tag, h.tag);
      if (prev == n) {
        return ran_into.count({h.tag, AsOffset(h.prev_in_tag)}) > 0 ||
               heads_ran_into.count(AsOffset(h.prev_in_tag)) > 0;
      }
      if (!recovered(prev)) return false;
      const int32_t link = chunks[prev].header.next_in_tag;
      return AsOffset(link) == self || chunk_of(link, h.tag) == n;
    }
    // A head. A tag with a live chunk has its head: this one is a former head.
    if (live_tags.count(h.tag) > 0) return false;
    // Replaced as head by its successor, which then took prev-in-tag -1.
    const size_t next = chunk_of(h.next_in_tag, h.tag);
    if (next < n && AsOffset(chunks[next].header.prev_in_tag) != self) return false;
    // A chunk behind it still links back to it: its successor in its tag (a deletion makes
    // the successor the head), or the next head (a deletion makes it name another): only
    // the list of heads lost it.
    const size_t next_head = chunk_at(h.next_head);
    if (next < n ||
        (next_head < n && AsOffset(chunks[next_head].header.prev_head) == self)) {
      return true;
    }
    const size_t prev = chunk_at(h.prev_head);
    if (prev == n) return heads_ran_into.count(AsOffset(h.prev_head)) > 0;
    if (!recovered(prev)) return false;
    // Not -1: a list of heads that ends there may have lost this head on purpose.
    const int32_t link = chunks[prev].header.next_head;
    return AsOffset(link) == self || (AsOffset(link) != kNoOffset && chunk_at(link) == n);
  };

  for (size_t i = 0; i < n; ++i) {
    if (recovered(i)) spread(i);
  }
  for (size_t i = n; i-- > 0;) {
    if (!recovered(i)) work.push_back(i);
  }
  while (!work.empty()) {
    const size_t i = work.back();
    work.pop_back();
    if (recovered(i) || !cut_off(i)) continue;
    fate[i] = ChunkFate::kCutOff;
    spread(i);
  }
  return fate;
}

}  // namespace veldra::commands
