// Writes the entry list's row selection into the entries' selection flags, so that the
// selection survives a rebuild of the rows and the closing and reopening of the catalog.
#pragma once

#include <vector>

#include "storage/catalog_document.h"

namespace veldra {

// Clears the flag of every entry of the catalog in place, then sets it for the entry of
// each selected row (ascending indexes into the document's displayed list, as last built)
// and writes that entry back with ReplaceEntry, which stamps its update date. The entry is
// the catalog's current record of the row's entry id, not the row's copy. Rows outside the
// displayed list are skipped. Nothing is saved.
void SyncEntrySelectionFlags(CVeldraDocument& document, const std::vector<int>& selected_rows);

// The indexes of the displayed list's entries whose flag is set, ascending.
std::vector<int> FlaggedRows(const RecordArray& displayed);

}  // namespace veldra
