// What a property window reads from and writes into its catalog besides the form itself:
// the entry it shows, the last-view stamp of an opening, and the window's rectangle.
#pragma once

#include <cstdint>
#include <optional>

#include "storage/catalog_document.h"
#include "storage/catalog_entry_record.h"

namespace veldra {

// A copy of the entry with entry_id from the entries table, or nothing.
std::optional<EntryRecord> FindEntryRecord(const CVeldraDocument& document, int32_t entry_id);

// Sets the entry's last-view date to now, writes it back into the entries and the filtered
// entries (which also stamps its update date) and writes the tables to the catalog file.
// false, nothing changed, when there is no such entry.
bool StampLastView(CVeldraDocument& document, int32_t entry_id);

// Stores rect as the entry's property-window position in the entries and the filtered
// entries, in memory. false when there is no such entry.
bool StoreEntryWindowRect(CVeldraDocument& document, int32_t entry_id, const WindowRect& rect);

}  // namespace veldra
