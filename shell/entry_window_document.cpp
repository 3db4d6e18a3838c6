#include "shell/entry_window_document.h"

#include "storage/catalog_table.h"

namespace veldra {

std::optional<EntryRecord> FindEntryRecord(const CVeldraDocument& document, int32_t entry_id) {
  const RecordArray& entries = document.entries();
  if (!HoldsRecords<EntryRecord>(entries)) return std::nullopt;
  for (int i = 0; i < entries.Count(); ++i) {
    if (EncodedEntryId(entries.At(i)) == entry_id) return EntryAt(entries, i);
  }
  return std::nullopt;
}

bool StampLastView(CVeldraDocument& document, int32_t entry_id) {
  std::optional<EntryRecord> entry = FindEntryRecord(document, entry_id);
  if (!entry) return false;
  entry->last_view_date = CatalogTimestamp::Now();
  document.ReplaceEntry(document.entries(), *entry);
  document.ReplaceEntry(document.filtered_entries(), *entry);
  document.SaveTables(document.path());
  return true;
}

bool StoreEntryWindowRect(CVeldraDocument& document, int32_t entry_id, const WindowRect& rect) {
  std::optional<EntryRecord> entry = FindEntryRecord(document, entry_id);
  if (!entry) return false;
  entry->window_position = rect;
  document.ReplaceEntry(document.entries(), *entry);
  document.ReplaceEntry(document.filtered_entries(), *entry);
  return true;
}

}  // namespace veldra
