// Salvage: a new, sound catalog from a damaged one. The damaged file is walked in file order
// (InspectContainer), not through its lists, so records that a broken link cut off from
// their list are found too; the new catalog is written as the compacted copy writes one.
//
// What is recovered: every entry found in a live or cut-off chunk, with its PDF where its
// attachment link and the PDF's chunk survived; the labels, the categories (plus one for
// every triple a recovered entry uses, and その他/その他/その他), the environment values,
// the remembered folders, and the id counters, each raised above the largest id found so
// that no id is issued twice. Not copied, as in the compacted copy: the sort levels.
//
// Rules (docs/reliability.md, "Salvage"):
// - Deleted on purpose is not cut off (ChunkFates). The writers delete chunks only from the
//   front of a list (a table written with fewer records) and unlink a chunk by making its
//   neighbours skip it, so a chunk nothing links to whose predecessor still links on to a
//   sound chunk, or which is a former head, is deleted; a chunk whose predecessor's link
//   is -1 or wild, or runs into a damaged header, was cut off.
// - Copies of one record (one id, alike in the bytes a record keeps for life): the record
//   with the later updated timestamp wins, and of two equal ones the later in the file. Two
//   records under one id that differ there are two records: both are kept, the later under
//   a fresh id. A record with a negative id that no interrupted write explains
//   (storage/interrupted_rewrite.h) comes back under a fresh id too. Fresh ids lie above
//   every id found and every counter found, and the counters are raised above them.
// - Attachment links: an entry takes the newest link that names it; an entry left without
//   one (it was given a fresh id, or its link's entry field was damaged) takes a link that
//   names no kept entry and whose PDF has exactly the entry's file size, when there is
//   exactly one. A link no entry takes is named as dropped.
// - An attachment's ordinal counts the "ATTD" chunks of its list: the recovered ones in file
//   order (the only order they are ever appended in), as long as each one's links name the
//   one before; past a gap that the links cannot measure no ordinal is trusted, and the
//   entries that point there are recovered without their PDF.
//
// Deterministic: the same file gives the same decisions and, at the same clock, the same
// bytes.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "storage/chunk_inspect.h"

namespace veldra::commands {

// What the salvage makes of a chunk found in file order.
enum class ChunkFate {
  kLive,     // reached from the root through the lists
  kCutOff,   // cut off from its list by a broken link: its records are recovered
  kDeleted,  // unlinked on purpose (or never linked): its records are not
};

// The fate of each of chunks (in file order, as InspectContainer gives them). A chunk that
// is not live is cut off when
//   - a recovered chunk of its tag names it as next-in-tag, or
//   - its prev-in-tag names a recovered chunk P of its tag whose next-in-tag is -1 or names
//     no chunk of the tag (the link was broken), or
//   - its prev-in-tag names no chunk of its tag, but a recovered chunk's next-in-tag or
//     next-head names that same place (its list ran into a damaged header there), or
//   - it is a head (prev-in-tag -1) of a tag without a live chunk, not replaced as head by
//     its successor, and its prev-head names a recovered chunk whose next-head is this one
//     or names no chunk (but is not -1: a tag removed from the end of the list of heads
//     leaves that), or a damaged header the list of heads ran into (the root's included).
// Every other chunk that is not live is deleted: a former head (prev-in-tag -1) and a chunk
// its neighbours skip. Recovered means live or cut off; the rules are applied until nothing
// changes.
std::vector<ChunkFate> ChunkFates(const std::vector<ChunkRecord>& chunks);

struct SalvageReport {
  struct Entry {
    int32_t id = 0;
    std::string title;  // CP932
    std::string why;    // why it has no PDF (English)
  };
  struct Duplicate {
    int32_t id = 0;
    int64_t kept_at = 0;               // the offset of the chunk whose record was kept
    std::vector<int64_t> dropped_at;  // the offsets of the others
  };
  struct Unreadable {
    int64_t offset = 0;
    std::string reason;
  };
  struct Renumbered {
    int32_t old_id = 0;  // the id the record carried
    int32_t new_id = 0;
    int64_t kept_at = 0;  // the offset of its chunk
    std::string title;    // CP932
  };
  struct Dropped {
    int64_t offset = 0;  // of the record's chunk
    std::string what;    // the record and why (English)
  };

  int live_entries = 0;     // recovered entries found in live chunks
  int cut_off_entries = 0;  // recovered entries found in cut-off chunks
  int pdfs = 0;             // PDFs copied
  std::vector<Entry> without_pdf;         // recovered entries whose PDF did not survive
  std::vector<Duplicate> duplicates;      // entry ids found more than once
  std::vector<Unreadable> unreadable;     // chunks (or stretches) that could not be read
  std::vector<Renumbered> renumbered;     // entries kept under a fresh id
  std::vector<Dropped> dropped;           // records found that could not be kept

  // Whether something found could not be recovered: a chunk that could not be read, a
  // record that had to be dropped, or an entry whose PDF was lost.
  bool Lost() const { return !unreadable.empty() || !without_pdf.empty() || !dropped.empty(); }
};

constexpr int kSalvageOk = 0;             // the new catalog was written (see the report)
constexpr int kSalvageTargetTaken = -1;   // something is at the target (a link included)
constexpr int kSalvageNotContainer = -2;  // the source cannot be read or is no container
constexpr int kSalvageCannotCreate = -3;  // no temporary file can be made beside the target
constexpr int kSalvageWriteFailed = -4;   // writing the new catalog failed
constexpr int kSalvageRenameFailed = -5;  // the finished catalog could not take the name

// Writes the salvaged catalog of source_path (CP932) to target_path, which must not exist:
// under a temporary name first, flushed to the device, then renamed, never replacing
// anything. One of the codes above; on kSalvageOk report says what was recovered and lost,
// on kSalvageNotContainer report->unreadable says why. No file is left at target_path on
// any failure.
int SalvageCatalog(const std::string& source_path, const std::string& target_path,
                   SalvageReport* report);

// A short English description of a SalvageCatalog code.
const char* SalvageResultText(int code);

}  // namespace veldra::commands
