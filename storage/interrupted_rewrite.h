// The trace an interrupted table write leaves, and how a reader reads past it.
//
// A table whose record count shrinks is written in place (ChunkFile::WriteAll): record i
// goes into the chunk m - n + i of the m chunks the tag had, last record first, and only
// then are the surplus chunks unlinked from the front. Cut short at any point (a kill, a
// full disk), the list still holds every record that was to stay, but some of them twice:
// once where it stood before (or where the write had started to put another record, under
// the id of the record already written behind it) and once, whole, further back. Deleting
// one record leaves the two copies in adjacent chunks; deleting several may leave other
// records between them. The copy further back is always the one written last.
//
// So a reader keeps, of each record id, the last record of the table, and counts every
// earlier record with the same id as a leftover of an interrupted write, not as damage.
// A sound table never holds an id twice. The next save of the table writes it in full,
// which drops the leftovers from the file (CVeldraDocument does this).
#pragma once

#include <cstdint>
#include <vector>

#include "storage/record_array.h"

namespace veldra {

// The id a catalog record carries in its first 4 bytes (little-endian).
int32_t LeadingRecordId(const uint8_t* record);

// The indexes (ascending) of the records of table that an interrupted write left behind:
// every record whose id occurs again in a later record. Empty for a sound table and for
// records shorter than an id.
std::vector<int> InterruptedRewriteLeftovers(const RecordArray& table);

// Removes those records from table; true when there were any.
bool DropInterruptedRewriteLeftovers(RecordArray& table);

}  // namespace veldra
