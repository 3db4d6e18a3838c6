#include "commands/hit_rows.h"

#include "storage/catalog_entry_record.h"
#include "storage/catalog_table.h"

namespace veldra::commands {

int NextHitRow(const RecordArray& displayed, const std::unordered_set<int32_t>& hits, int from,
               bool forward) {
  const int count = displayed.Count();
  if (count == 0 || hits.empty() || !HoldsRecords<EntryRecord>(displayed)) return -1;
  if (from < -1 || from >= count) from = -1;
  // From nowhere, going back starts after the last row.
  int row = from >= 0 ? from : (forward ? -1 : count);
  for (int step = 0; step < count; ++step) {
    row = forward ? (row + 1) % count : (row - 1 + count) % count;
    if (hits.count(EncodedEntryId(displayed.At(row))) > 0) return row;
  }
  return -1;
}

}  // namespace veldra::commands
