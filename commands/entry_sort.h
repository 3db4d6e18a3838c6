// The order of the entry list: up to three (sort key, direction) levels, then the entry id,
// larger first. The browser's list and veldra-cli's "list" both sort with these.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "storage/catalog_document.h"
#include "storage/catalog_entry_record.h"
#include "storage/record_array.h"

namespace veldra::commands {

// Sort key codes: which EntryRecord field a level compares, and how.
enum SortKeyCode : int32_t {
  kSortNone = 0,
  kSortTitle = 2,          // text
  kSortCategory1 = 3,      // text
  kSortCategory2 = 4,      // text
  kSortCategory3 = 5,      // text
  kSortFileName = 6,       // text
  kSortFileSize = 7,       // signed 32-bit
  kSortRating = 8,         // signed 16-bit
  kSortNote = 9,           // text
  kSortFileDate = 10,      // timestamp
  kSortCreated = 11,       // timestamp
  kSortUpdated = 12,       // timestamp
  kSortLastViewed = 13,    // timestamp
  kSortLastUsed = 14,      // timestamp
  kSortAuthor = 15,        // text
  kSortEditor = 16,        // text
  kSortSupervisor = 17,    // text
  kSortTranslator = 18,    // text
  kSortPublisher = 19,     // text
};
// Key 1 and keys above kSortPublisher compare as equal, like kSortNone.

// The three most recent sort choices (key code, 1 ascending / other descending), primary
// first, as the document keeps them. A key of kSortNone ends the levels that count: the
// levels after an empty slot are not consulted. The default is by title, ascending.
struct SortState {
  std::array<SortLevel, 3> levels{{{kSortTitle, 1}, {kSortNone, 0}, {kSortNone, 0}}};

  static SortState Of(const CVeldraDocument& document);
};

// Compares a and b by one key, ascending: negative, 0 or positive.
int CompareByKey(const EntryRecord& a, const EntryRecord& b, int32_t key);

// The entry comparison: the primary level decides unless equal; then the second and third
// levels while their keys are set; then the larger id first. Never 0 for different ids.
int CompareEntries(const EntryRecord& a, const EntryRecord& b, const SortState& state);

// Sorts entries in place with CompareEntries.
void SortEntries(std::vector<EntryRecord>& entries, const SortState& state);

// The rows (indexes into table, a table of encoded EntryRecords) in CompareEntries order. Each
// record is decoded once and only its sort keys are kept; the records stay where they are. A
// table of another record size gives the rows as they are.
std::vector<int> SortedEntryRows(const RecordArray& table, std::vector<int> rows,
                                 const SortState& state);

// Makes the document's displayed list (its filtered entries) the entries whose names match
// the three selections, as FilterEntries keeps them, in CompareEntries order: the same list
// as FilterEntries followed by SortDisplayedList, with each record copied once. With only,
// the list is narrowed further to the entries whose ids it holds (a search's hits).
RecordArray& ShowSortedEntries(CVeldraDocument& document, std::string_view level1,
                               std::string_view level2, std::string_view level3,
                               const SortState& state,
                               const std::unordered_set<int32_t>* only = nullptr);

// Sorts a table of encoded EntryRecords (the document's displayed list) in place. A table of
// another record size is left as it is.
void SortDisplayedList(RecordArray& displayed, const SortState& state);

}  // namespace veldra::commands
