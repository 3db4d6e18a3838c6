#include "storage/interrupted_rewrite.h"

#include <algorithm>
#include <cstring>
#include <unordered_map>

#include "storage/catalog_coding.h"

namespace veldra {

int32_t LeadingRecordId(const uint8_t* record) { return coding::DecodeI32(record); }

std::vector<int> InterruptedRewriteLeftovers(const RecordArray& table, LastingBytes lasting) {
  std::vector<int> leftovers;
  if (table.record_size() < sizeof(int32_t)) return leftovers;
  // From the back: the first record met of an id is its last copy, a second one an
  // earlier copy; a third one is no trace of an interrupted write.
  std::unordered_map<int32_t, int> last_copy;  // id -> index
  int last_earlier_copy = -1;
  int first_later_copy = table.Count();
  for (int i = table.Count() - 1; i >= 0; --i) {
    const int32_t id = LeadingRecordId(table.At(i));
    if (id < 0) {
      leftovers.push_back(i);
      continue;
    }
    const auto [later, first_met] = last_copy.emplace(id, i);
    if (first_met) continue;
    if (later->second < 0) return {};  // a third copy
    if (lasting.length > 0 && lasting.offset + lasting.length <= table.record_size() &&
        std::memcmp(table.At(i) + lasting.offset, table.At(later->second) + lasting.offset,
                    lasting.length) != 0) {
      return {};  // two records under one id
    }
    first_later_copy = std::min(first_later_copy, later->second);
    later->second = -1;  // marks an id met twice
    last_earlier_copy = std::max(last_earlier_copy, i);
    leftovers.push_back(i);
  }
  // The write goes from the back to the front: every later copy lies behind every earlier
  // one. Copies interleaved otherwise are damage, not a write of ours.
  if (last_earlier_copy >= first_later_copy) return {};
  return {leftovers.rbegin(), leftovers.rend()};
}

bool DropInterruptedRewriteLeftovers(RecordArray& table, LastingBytes lasting) {
  const std::vector<int> leftovers = InterruptedRewriteLeftovers(table, lasting);
  if (leftovers.empty()) return false;
  // Copied into a new array, so that a long table is moved once, not once per leftover.
  RecordArray kept(table.record_size());
  kept.Reserve(table.Count() - static_cast<int>(leftovers.size()));
  size_t next = 0;
  for (int i = 0; i < table.Count(); ++i) {
    if (next < leftovers.size() && leftovers[next] == i) {
      ++next;
    } else {
      kept.Append(table.At(i));
    }
  }
  table = std::move(kept);
  return true;
}

}  // namespace veldra
