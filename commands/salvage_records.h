// Which records salvage keeps of one table: each record once, whatever copies of it an
// interrupted write or a cut left behind (commands/salvage.h).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "storage/catalog_timestamp.h"
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

// An entry kept, as the links are given out.
struct EntryToLink {
  int32_t named = 0;  // the id its record carried
  int32_t id = 0;     // the id it is kept under
  int64_t file_size = 0;
};

// An attachment link kept (one of DistinctRecords).
struct LinkToAssign {
  int32_t entry_id = 0;  // the entry it names
  int32_t ordinal = 0;   // its PDF; links of one ordinal point at one PDF
  int64_t pdf_length = -1;  // -1: its PDF was not recovered
  CatalogTimestamp updated;
  int64_t offset = 0;  // of its chunk
};

struct LinkAssignment {
  std::vector<int> link_of;      // per entry: the index of its link, or -1
  std::vector<std::string> why;  // per entry: why it has none ("" when no reason is known)
  std::vector<bool> taken;       // per link: an entry took it (or it named one, PDF lost)
};

// Gives each entry its link (commands/salvage.h):
// 1. A link that names an entry's id goes to an entry under that id (several, when one was
//    kept under a fresh id, or two links name one entry), pairs taken best first: the PDF
//    has the entry's file size; the entry's place among the entries is nearest the link's
//    among the links (both tables are appended to, and lose records, together); the newer
//    link; the entry that kept the id.
// 2. An entry left without a link takes the one link no entry took whose PDF has its size.
// 3. Where the links of two entries point at one PDF, it goes to the entry whose file size
//    it has, else to the newer link's (of two as new, the later in the file); the other
//    entry goes without.
LinkAssignment AssignLinks(const std::vector<EntryToLink>& entries,
                           const std::vector<LinkToAssign>& links);

}  // namespace veldra::commands
