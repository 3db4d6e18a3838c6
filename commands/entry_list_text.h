// The texts the entry list shows, in CP932: one cell per column, and the display forms of
// sizes, dates and ratings. The browser's entry list and `veldra-cli list` both take their
// cells from here.
#pragma once

#include <string>
#include <vector>

#include "storage/catalog_entry_record.h"

namespace veldra::commands {

// The fourteen columns of the entry list, in their order.
enum class EntryColumn {
  kTitle, kFileName, kCategory1, kCategory2, kCategory3, kSize, kUpdated, kRating,
  kAuthor, kEditor, kSupervisor, kTranslator, kPublisher, kNote,
};

constexpr int kEntryColumnCount = 14;

// column 0..13 (EntryColumn); "" for another column. Texts are cut to the cell buffer:
// 127 bytes, 255 for the note.
std::string EntryCellText(const EntryRecord& entry, int column);

// The fourteen cells of the entry, in column order.
std::vector<std::string> EntryListCells(const EntryRecord& entry);

// "%.1f MB" when at least 1 MiB, else "%.1f KB" (so -1 gives "-0.0 KB").
std::string FormatFileSize(int size);

// "YYYY/MM/DD HH:MM" from a CatalogTimestamp's 17 digits (18 bytes, bytes copied as they
// are, the text ending at the first NUL copied); "" for an all-zero timestamp.
std::string FormatShortDate(const char* timestamp);

// 1..5 white stars (U+2606, two CP932 bytes each); anything else "".
std::string FormatRatingStars(int rating);

}  // namespace veldra::commands
