// Which records salvage keeps of one table: each record once, whatever copies of it an
// interrupted write or a cut left behind (commands/salvage.h).
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "storage/interrupted_rewrite.h"

namespace veldra::commands {

// One record to keep, and the copies of it that are not kept.
struct RecordGroup {
  size_t kept = 0;              // the newest copy, by index into the records
  std::vector<size_t> copies;   // the other copies, in file order
  bool needs_fresh_id = false;  // its id is negative, or an earlier record that differs
                                // holds it: it is kept under a fresh id
};

// records: the recovered records of one table in file order (record_size bytes each, the id
// first). Records that agree in the lasting bytes and carry one id are copies of one record:
// the newest is kept (the later updated stamp at updated_offset, 18 bytes; of two equal ones
// the later in the file). Two records under one id that differ there are two records: the
// first keeps the id, the later needs a fresh one. A record with a negative id is the
// leftover of an interrupted write when it shows itself as such (storage/interrupted_rewrite.h:
// the mark, or a whole copy under an id) and is then dropped; any other needs a fresh id.
// Groups in the file order of their first copy.
std::vector<RecordGroup> DistinctRecords(const std::vector<const uint8_t*>& records,
                                         size_t record_size, LastingBytes lasting,
                                         size_t updated_offset);

}  // namespace veldra::commands
