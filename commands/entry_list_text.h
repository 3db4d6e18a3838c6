// The text of one cell of the entry list, in CP932: the entry's field as the list shows it.
#pragma once

#include <string>

#include "storage/catalog_entry_record.h"

namespace veldra {

// column 0..13 (EntryColumn); "" for another column. Texts are cut to the cell buffer:
// 127 bytes, 255 for the note.
std::string EntryCellText(const EntryRecord& entry, int column);

}  // namespace veldra
