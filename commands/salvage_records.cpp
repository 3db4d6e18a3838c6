#include "commands/salvage_records.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string_view>
#include <tuple>
#include <unordered_set>
#include <utility>

#include "storage/catalog_coding.h"

namespace veldra::commands {

std::vector<RecordGroup> DistinctRecords(const std::vector<const uint8_t*>& records,
                                         size_t record_size, LastingBytes lasting,
                                         size_t updated_offset) {
  std::unordered_set<std::string_view> with_id;  // the records with an id, but the id
  for (const uint8_t* record : records) {
    if (coding::DecodeI32(record) >= 0) with_id.insert(RecordBody(record, record_size));
  }
  const auto newer = [&](size_t a, size_t b) {  // a later in the file than b
    return updated_offset + 18 > record_size ||
           std::memcmp(records[a] + updated_offset, records[b] + updated_offset, 18) >= 0;
  };
  std::vector<RecordGroup> groups;
  std::map<std::pair<int32_t, std::string>, size_t> group_of;  // (id, lasting) -> group
  std::unordered_set<int32_t> ids_taken;
  for (size_t k = 0; k < records.size(); ++k) {
    const int32_t id = coding::DecodeI32(records[k]);
    std::string same = LastingOf(records[k], record_size, lasting);
    if (id < 0) {
      if (CarriesMovingMark(records[k], record_size) ||
          with_id.count(RecordBody(records[k], record_size)) > 0) {
        continue;
      }
      groups.push_back({k, {}, true});
      continue;
    }
    const auto [it, fresh] = group_of.emplace(std::make_pair(id, std::move(same)), groups.size());
    if (fresh) {
      groups.push_back({k, {}, !ids_taken.insert(id).second});
      continue;
    }
    RecordGroup& group = groups[it->second];
    if (newer(k, group.kept)) {
      group.copies.push_back(group.kept);
      group.kept = k;
    } else {
      group.copies.push_back(k);
    }
  }
  for (RecordGroup& group : groups) std::sort(group.copies.begin(), group.copies.end());
  return groups;
}

LinkAssignment AssignLinks(const std::vector<EntryToLink>& entries,
                           const std::vector<LinkToAssign>& links) {
  const size_t n = entries.size();
  LinkAssignment out{std::vector<int>(n, -1), std::vector<std::string>(n),
                     std::vector<bool>(links.size(), false)};
  std::vector<int>& link_of = out.link_of;
  // 1. Pairs of a link and an entry under the id it names, best first.
  std::vector<size_t> by_age(links.size());  // newest first
  for (size_t l = 0; l < links.size(); ++l) by_age[l] = l;
  std::stable_sort(by_age.begin(), by_age.end(),
                   [&](size_t a, size_t b) { return links[b].updated < links[a].updated; });
  std::vector<size_t> age(links.size());
  for (size_t k = 0; k < by_age.size(); ++k) age[by_age[k]] = k;
  struct Pair {
    size_t entry;
    size_t link;
    bool sized;
    int64_t distance;
    size_t age;
    bool keeper;
  };
  std::vector<Pair> pairs;
  for (size_t l = 0; l < links.size(); ++l) {
    const LinkToAssign& link = links[l];
    for (size_t i = 0; i < n; ++i) {
      if (entries[i].named != link.entry_id) continue;
      if (link.pdf_length < 0) {
        out.why[i] = "the chunk of its PDF (attachment " + std::to_string(link.ordinal) +
                     ") was not recovered";
        out.taken[l] = true;
        continue;
      }
      pairs.push_back({i, l, entries[i].file_size == link.pdf_length,
                       std::abs(static_cast<int64_t>(i) - static_cast<int64_t>(l)), age[l],
                       entries[i].id == link.entry_id});
    }
  }
  std::sort(pairs.begin(), pairs.end(), [](const Pair& a, const Pair& b) {
    return std::make_tuple(!a.sized, a.distance, a.age, !a.keeper) <
           std::make_tuple(!b.sized, b.distance, b.age, !b.keeper);
  });
  for (const Pair& pair : pairs) {
    if (link_of[pair.entry] >= 0 || out.taken[pair.link]) continue;
    link_of[pair.entry] = static_cast<int>(pair.link);
    out.taken[pair.link] = true;
  }
  // 2. The one spare link whose PDF has the entry's size.
  for (size_t i = 0; i < n; ++i) {
    if (link_of[i] >= 0 || entries[i].file_size <= 0) continue;
    int chosen = -1;
    for (size_t l = 0; l < links.size(); ++l) {
      if (!out.taken[l] && links[l].pdf_length == entries[i].file_size) {
        chosen = chosen == -1 ? static_cast<int>(l) : -2;
      }
    }
    if (chosen >= 0) {
      link_of[i] = chosen;
      out.taken[static_cast<size_t>(chosen)] = true;
    }
  }
  // 3. One PDF, one entry.
  std::map<int32_t, size_t> holder;  // ordinal -> entry
  for (size_t i = 0; i < n; ++i) {
    if (link_of[i] < 0) continue;
    const LinkToAssign& mine = links[static_cast<size_t>(link_of[i])];
    const auto [it, fresh] = holder.emplace(mine.ordinal, i);
    if (fresh) continue;
    const size_t other = it->second;
    const LinkToAssign& theirs = links[static_cast<size_t>(link_of[other])];
    const bool mine_sized = entries[i].file_size == mine.pdf_length;
    const bool theirs_sized = entries[other].file_size == mine.pdf_length;
    const bool newer = theirs.updated < mine.updated ||
                       (theirs.updated == mine.updated && theirs.offset < mine.offset);
    const bool keep_mine = mine_sized != theirs_sized ? mine_sized : newer;
    const size_t loser = keep_mine ? other : i;
    it->second = keep_mine ? i : other;
    out.why[loser] = "its link points at the PDF of entry " + std::to_string(entries[it->second].id);
    link_of[loser] = -1;
  }
  return out;
}

}  // namespace veldra::commands
