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
    // The row names the entry; its record is taken from the catalog's entry list, which
    // may have changed since the rows were built (the close records the detail windows in
    // the entries before the selection is written), so that nothing newer is lost.
    const int32_t id = EncodedEntryId(displayed.At(row));
    for (int i = 0; i < entries.Count(); ++i) {
      if (EncodedEntryId(entries.At(i)) != id) continue;
      EntryRecord entry = RecordAt<EntryRecord>(entries, i);
      entry.is_select_entrylist = 1;
      document.ReplaceEntry(entries, entry);
      break;
    }
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
