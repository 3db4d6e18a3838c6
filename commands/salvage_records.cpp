#include "commands/salvage_records.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <string_view>
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

}  // namespace veldra::commands
