// The trace an interrupted table write leaves, and how a reader reads past it.
//
// A table whose record count shrinks is written in place (ChunkFile::WriteAll): record i
// goes into the chunk m - n + i of the m chunks the tag had, last record first, and only
// then are the surplus chunks unlinked from the front. A record that moves into a chunk is
// written in five steps: the last byte of the chunk's old record (reserved, zero in every
// catalog record) becomes kRecordMovingMark, the sign byte of its old id is set (a negative
// id), the record goes in under the id kRecordBeingWritten with the mark as its last byte,
// then its own id, then its own last byte. Cut short at any point (a kill, a full disk), the
// list still holds every record that was to stay, whole, and some of them twice: once where
// it stood before and once further back.
// Deleting one record leaves the two copies in adjacent chunks; deleting several may leave
// other records between them. The copy further back is always the one written last. A
// chunk may also carry a negative id: its write was cut between the second and the fourth
// step (a torn id write leaves the sign byte of kRecordBeingWritten as long as it is not
// whole), and then it carries the mark too.
//
// The trace therefore has a shape: no id is held more than twice, and every second copy
// lies behind every first copy (the table splits into a front and a back part, each
// without a repeated id). This shape survives a second interruption, of the save that
// drops the leftovers, because that save rewrites only the front part.
//
// A negative id alone proves nothing: damage to one field makes one too, and a reader that
// took it for a leftover would drop a live record for good. A record with a negative id is
// a leftover only where the write shows itself: the record carries the mark (set before its
// id turned negative and kept until the id is whole again), or, in a file written before
// the mark, its copy stands elsewhere in the table under an id that is not negative, alike
// in every byte but the id and the last (the old record, already copied further back, or
// the new record under kRecordBeingWritten, whose original still stands in front). Either
// takes two fields changed, never one. (The bytes a record keeps for life are not enough
// here: two categories made in one millisecond, or two entries imported from one path, agree
// in them, and a damaged id would let the next change drop one of them.)
//
// So a reader of a table of that shape keeps, of each record id, the last record, drops
// every earlier record with the same id and every record with a negative id that shows
// itself as above, and counts them as leftovers of an interrupted write, not as damage. A
// sound table never holds an id twice, and no catalog id is negative. Repeated ids in any
// other shape (an id three times, copies interleaved, two records under one id that differ
// in the bytes a record keeps for life) and negative ids that do not show themselves are no
// trace of a write of ours: they are left for the checks to report. The next save of a
// table with leftovers writes it in full, which drops them from the file (CVeldraDocument
// does this).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "storage/record_array.h"

namespace veldra {

// The id a record carries in its first 4 bytes (little-endian) while its chunk is being
// rewritten.
constexpr int32_t kRecordBeingWritten = -1;

// The last byte of a record whose chunk is about to take another record: written before
// its id turns negative, where that byte is zero (every catalog record ends in reserved
// zero bytes).
constexpr uint8_t kRecordMovingMark = 0xA5;

// The id a catalog record carries in its first 4 bytes (little-endian).
int32_t LeadingRecordId(const uint8_t* record);

// The indexes (ascending) of the records of table that an interrupted write left behind:
// every record with a negative id that shows itself as above and, when the repeated ids have
// the shape above, every record whose id occurs again in a later record. Empty for a sound
// table, for repeated ids of another shape and for records shorter than an id.
// lasting: where a record keeps bytes that never change once it is made (its creation
// stamp; length 0: nowhere, and then a copy must agree in every byte but the id and the
// last, which may carry the mark); the two
// copies of a record that a write of ours leaves agree in them, so two records that differ
// there are two records under one id (damage), not a trace.
struct LastingBytes {
  size_t offset = 0;
  size_t length = 0;
  size_t offset2 = 0;  // a second stretch (length2 0: none)
  size_t length2 = 0;
};
std::vector<int> InterruptedRewriteLeftovers(const RecordArray& table, LastingBytes lasting = {});

// Whether a record of size bytes carries kRecordMovingMark in its last byte.
bool CarriesMovingMark(const uint8_t* record, size_t size);
// Every byte of a record of size bytes but its id and its last, which may carry the mark.
std::string_view RecordBody(const uint8_t* record, size_t size);
// The bytes in which two copies of one record agree: the stretches of lasting, or (length 0)
// the record's body.
std::string LastingOf(const uint8_t* record, size_t size, LastingBytes lasting);

// Removes those records from table, and the mark from every record whose id is not
// negative (a write cut short before it changed the id); true when there was either.
bool DropInterruptedRewriteLeftovers(RecordArray& table, LastingBytes lasting = {});

}  // namespace veldra
