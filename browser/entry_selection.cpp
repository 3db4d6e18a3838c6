#include "browser/entry_selection.h"

#include "storage/catalog_table.h"

namespace veldra {

void SyncEntrySelectionFlags(CVeldraDocument& document, const std::vector<int>& selected_rows) {
  document.ClearEntrySelections();
  const RecordArray& displayed = document.filtered_entries();
  std::vector<int32_t> ids;
  for (int row : selected_rows) {
    if (row >= 0 && row < displayed.Count()) ids.push_back(EncodedEntryId(displayed.At(row)));
  }
  // The row names the entry; its record is taken from the catalog's entry list, which may
  // have changed since the rows were built (the close records the detail windows in the
  // entries before the selection is written), so that nothing newer is lost.
  for (int32_t id : ids) document.SetEntrySelected(id, true);
}

std::vector<int> FlaggedRows(const RecordArray& displayed) {
  std::vector<int> rows;
  if (!HoldsRecords<EntryRecord>(displayed)) return rows;
  for (int i = 0; i < displayed.Count(); ++i) {
    if (EncodedEntrySelected(displayed.At(i))) rows.push_back(i);
  }
  return rows;
}

}  // namespace veldra
