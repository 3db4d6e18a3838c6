// How the viewer reads and writes its entry: the decoded EntryRecord of an id, and writing
// one back into the entries table and the filtered entries (each write stamps the entry's
// update date). Kept in one place so that the viewer changes here only when the document
// offers entry calls of its own.
#pragma once

#include <cstdint>

#include "storage/catalog_entry_record.h"

namespace veldra {

class CVeldraDocument;

// The entry with id from the entries table; false when there is none.
bool FindViewerEntry(const CVeldraDocument& document, int32_t id, EntryRecord* out);

// Replaces the entry of record's id in the entries table and in the filtered entries.
void StoreViewerEntry(CVeldraDocument& document, const EntryRecord& record);

}  // namespace veldra
