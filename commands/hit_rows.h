// Going through the hits of a search in the entry list: Ctrl+G moves the selection to the
// next listed entry with a hit, Ctrl+Shift+G to the previous one, in the list's order.
#pragma once

#include <cstdint>
#include <unordered_set>

#include "storage/record_array.h"

namespace veldra::commands {

// The row of displayed (the entry list's rows, encoded EntryRecords) to go to from row from
// (-1: from before the first row, or after the last going back): the next row after it
// (forward) or the one before it whose entry id is in hits, wrapping round the end; from
// itself when it is the only such row. -1 when no row is a hit.
int NextHitRow(const RecordArray& displayed, const std::unordered_set<int32_t>& hits, int from,
               bool forward);

}  // namespace veldra::commands
