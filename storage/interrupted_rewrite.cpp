#include "storage/interrupted_rewrite.h"

#include <unordered_set>

#include "storage/catalog_coding.h"

namespace veldra {

int32_t LeadingRecordId(const uint8_t* record) { return coding::DecodeI32(record); }

std::vector<int> InterruptedRewriteLeftovers(const RecordArray& table) {
  std::vector<int> leftovers;
  if (table.record_size() < sizeof(int32_t)) return leftovers;
  std::unordered_set<int32_t> later;
  for (int i = table.Count() - 1; i >= 0; --i) {
    const int32_t id = LeadingRecordId(table.At(i));
    if (id < 0 || !later.insert(id).second) leftovers.push_back(i);
  }
  return {leftovers.rbegin(), leftovers.rend()};
}

bool DropInterruptedRewriteLeftovers(RecordArray& table) {
  const std::vector<int> leftovers = InterruptedRewriteLeftovers(table);
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
