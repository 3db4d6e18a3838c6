#include "shell/pdf_window_entry.h"

#include "storage/catalog_document.h"
#include "storage/catalog_table.h"

namespace veldra {

bool FindViewerEntry(const CVeldraDocument& document, int32_t id, EntryRecord* out) {
  const RecordArray& entries = document.entries();
  for (int i = 0; i < entries.Count(); ++i) {
    if (EncodedEntryId(entries.At(i)) == id) {
      *out = EntryAt(entries, i);
      return true;
    }
  }
  return false;
}

void StoreViewerEntry(CVeldraDocument& document, const EntryRecord& record) {
  document.ReplaceEntry(document.entries(), record);
  document.ReplaceEntry(document.filtered_entries(), record);
}

}  // namespace veldra
