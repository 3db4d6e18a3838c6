// What is damage in a catalog file, decided in one place: `veldra-cli check` reports what
// JudgeCatalog finds, and the check before a change (CVeldraDocument::LoadForChange) refuses
// the catalog when it finds damage. The two can therefore never disagree.
//
// Two kinds of finding (FindingKind, storage/chunk_inspect.h):
// - damage: the next change would write into it and make it permanent, or lose what it
//   hides. The catalog is read-only until it is salvaged or compacted.
// - the trace of a write cut short, which the next change puts right: records an
//   interrupted table write left twice (storage/interrupted_rewrite.h), the links of entries
//   whose deletion was cut short between the entry table and the link table, an append cut
//   short at the end of the file, and the links back an unlink cut short left. Changes are
//   accepted; check still names them, since the file is not as a finished write leaves it.
//
// What JudgeCatalog looks at, beside the container's own findings (InspectContainer):
// - every live chunk has a tag the catalog uses and that tag's record size (tables, sort
//   levels and remembered folders);
// - the tables were read completely;
// - no record carries a negative id (an interrupted write's trace is read without it);
// - no two entries share an id; no two attachment links name one entry or one PDF;
// - every attachment link names an entry the catalog holds, and a PDF chunk of the list
//   that is not empty.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "storage/chunk_header.h"
#include "storage/chunk_inspect.h"
#include "storage/record_array.h"

namespace veldra {

class CVeldraDocument;

// The four letters of a tag, or "0x%08X" when they are not all printable; "root" for -1.
std::string TagText(ChunkTag tag);

// The findings about the catalog whose container report is container (InspectContainer of
// the file) and whose tables document holds as loaded from that same file: the container's
// findings first, then the catalog's.
std::vector<Finding> JudgeCatalog(const ContainerReport& container, const CVeldraDocument& document);

// The part of JudgeCatalog about ids: a record with a negative id (an interrupted write's
// are read away before), an entry id held by two entries. A copy of the tables keeps it.
std::vector<Finding> JudgeIds(const CVeldraDocument& document);

// The ids of entries, sorted (entries are mostly stored in ascending order of their ids).
std::vector<int32_t> SortedEntryIds(const RecordArray& entries);

// The first damage of findings, or "" when there is none.
std::string FirstDamage(const std::vector<Finding>& findings);

}  // namespace veldra
