#include "browser/entry_selection.h"

#include "storage/catalog_table.h"

namespace veldra {

void SyncEntrySelectionFlags(CVeldraDocument& document, const std::vector<int>& selected_rows) {
  RecordArray& entries = document.entries();
  if (!HoldsRecords<EntryRecord>(entries)) return;
  for (int i = 0; i < entries.Count(); ++i) {
    entries.MutableAt(i)[EntryRecord::kIsSelectEntryListOffset] = 0;
  }
  const RecordArray& displayed = document.filtered_entries();
  for (int row : selected_rows) {
    if (row < 0 || row >= displayed.Count()) continue;
    EntryRecord entry = RecordAt<EntryRecord>(displayed, row);
    entry.is_select_entrylist = 1;
    document.ReplaceEntry(entries, entry);
  }
}

std::vector<int> FlaggedRows(const RecordArray& displayed) {
  std::vector<int> rows;
  if (!HoldsRecords<EntryRecord>(displayed)) return rows;
  for (int i = 0; i < displayed.Count(); ++i) {
    if (displayed.At(i)[EntryRecord::kIsSelectEntryListOffset] == 1) rows.push_back(i);
  }
  return rows;
}

}  // namespace veldra
