// The trace an interrupted table write leaves, and how a reader reads past it.
//
// A table whose record count shrinks is written in place (ChunkFile::WriteAll): record i
// goes into the chunk m - n + i of the m chunks the tag had, last record first, and only
// then are the surplus chunks unlinked from the front. A record that moves into a chunk is
// written in three steps: the sign byte of the chunk's old id is set (a negative id), the
// record goes in under the id kRecordBeingWritten, then its own id. Cut short at any
// point (a kill, a full disk), the list still holds every record that was to stay, whole,
// and some of them twice: once where it stood before and once further back. Deleting one
// record leaves the two copies in adjacent chunks; deleting several may leave other
// records between them. The copy further back is always the one written last. A chunk
// may also carry a negative id: its write was cut between the first and the last step
// (a torn id write leaves the sign byte of kRecordBeingWritten as long as it is not whole).
//
// The trace therefore has a shape: no id is held more than twice, and every second copy
// lies behind every first copy (the table splits into a front and a back part, each
// without a repeated id). This shape survives a second interruption, of the save that
// drops the leftovers, because that save rewrites only the front part.
//
// So a reader of a table of that shape keeps, of each record id, the last record, drops
// every earlier record with the same id and every record with a negative id, and counts
// them as leftovers of an interrupted write, not as damage. A sound table never holds an
// id twice, and no catalog id is negative. Repeated ids in any other shape (an id three
// times, copies interleaved) are no trace of a write of ours: they are left for the
// checks to report. The next save of a table with leftovers writes it in full, which
// drops them from the file (CVeldraDocument does this).
#pragma once

#include <cstdint>
#include <vector>

#include "storage/record_array.h"

namespace veldra {

// The id a record carries in its first 4 bytes (little-endian) while its chunk is being
// rewritten.
constexpr int32_t kRecordBeingWritten = -1;

// The id a catalog record carries in its first 4 bytes (little-endian).
int32_t LeadingRecordId(const uint8_t* record);

// The indexes (ascending) of the records of table that an interrupted write left behind:
// every record with a negative id and, when the repeated ids have the shape above, every
// record whose id occurs again in a later record. Empty for a sound table, for repeated
// ids of another shape and for records shorter than an id.
// lasting: where a record keeps bytes that never change once it is made (its creation
// stamp; length 0: nowhere); the two copies of a record that a write of ours leaves agree in
// them, so two records that differ there are two records under one id (damage), not a trace.
struct LastingBytes {
  size_t offset = 0;
  size_t length = 0;
};
std::vector<int> InterruptedRewriteLeftovers(const RecordArray& table, LastingBytes lasting = {});

// Removes those records from table; true when there were any.
bool DropInterruptedRewriteLeftovers(RecordArray& table, LastingBytes lasting = {});

}  // namespace veldra
