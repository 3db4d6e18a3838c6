// The tables of a catalog file, listed once: each tag with the size of its records, in the
// order a save writes them, and the orders in which the other writers put them into a file.
// No reader depends on the order (the chunks of each tag are a list of their own); the
// bytes of a written file do, so each writer keeps its own.
#pragma once

#include <array>
#include <cstddef>

#include "storage/catalog_entry_record.h"
#include "storage/catalog_records.h"
#include "storage/catalog_tags.h"
#include "storage/interrupted_rewrite.h"

namespace veldra {

struct CatalogTable {
  ChunkTag tag;
  size_t record_size;
  // Bytes a record keeps unchanged from the day it is made, in up to two stretches (length
  // 0: none): the two copies of one record that an interrupted write leaves agree in them,
  // two records that were given one id by damage almost never do.
  size_t lasting_offset = 0;
  size_t lasting_length = 0;
  size_t lasting_offset2 = 0;
  size_t lasting_length2 = 0;
};

// The tables a document holds, loads and saves, in the order Save and SaveTables write them.
inline constexpr std::array<CatalogTable, 6> kCatalogTables = {{
    {kTagIdCounter, IdCounterRow::kEncodedLength, 4, 68},             // table served, key
    {kTagLabel, LabelRecord::kEncodedLength, 4, 4},                   // level
    {kTagEntry, EntryRecord::kEncodedLength, EntryRecord::kFilePathOffset,  // path, system,
     EntryRecord::kPdfWindowPositionOffset - EntryRecord::kFilePathOffset,  // machine, and
     EntryRecord::kCreateDateOffset, 18},                                   // when it was made
    {kTagAttachment, AttachmentRecord::kEncodedLength, 4, 26},        // entry, ordinal, created
    {kTagEnvironment, EnvironmentRecord::kEncodedLength, 4, 128},     // key
    {kTagCategory, CategoryRecord::kEncodedLength, 4, 786},           // names, created
}};

// The lasting bytes of a table's records.
constexpr LastingBytes LastingBytesOf(const CatalogTable& table) {
  return {table.lasting_offset, table.lasting_length, table.lasting_offset2,
          table.lasting_length2};
}

// The sort levels, which Save writes after the tables and SaveTables never writes.
inline constexpr CatalogTable kSortLevelTable = {kTagSortLevel, SortLevelRecord::kEncodedLength};

// The settings a catalog file keeps beside its tables, one record each (WriteSetting): the
// remembered folders. The new-catalog folder ("PW03") lives in the preference file only.
inline constexpr std::array<CatalogTable, 3> kCatalogSettings = {{
    {kTagFolderBatchImport, RememberedFolder::kEncodedLength},
    {kTagFolderSingleImport, RememberedFolder::kEncodedLength},
    {kTagFolderExport, RememberedFolder::kEncodedLength},
}};

// The record size of what a catalog file keeps under tag (a table, the sort levels or a
// setting); 0 for a tag a catalog does not use, and for "ATTD", whose chunks have any size.
constexpr size_t CatalogRecordSize(ChunkTag tag) {
  for (const CatalogTable& table : kCatalogTables) {
    if (table.tag == tag) return table.record_size;
  }
  for (const CatalogTable& setting : kCatalogSettings) {
    if (setting.tag == tag) return setting.record_size;
  }
  return tag == kSortLevelTable.tag ? kSortLevelTable.record_size : 0;
}

// A compacted copy: these tables, then each attachment link followed by its PDF's bytes.
inline constexpr std::array<ChunkTag, 5> kCompactCopyTableOrder = {
    kTagEntry, kTagLabel, kTagIdCounter, kTagEnvironment, kTagCategory};

// A new catalog: its three labels, its one category, then the counters that issued their ids.
inline constexpr std::array<ChunkTag, 3> kNewCatalogTableOrder = {kTagLabel, kTagCategory,
                                                                  kTagIdCounter};

template <size_t N>
constexpr bool AreCatalogTables(const std::array<ChunkTag, N>& tags) {
  for (ChunkTag tag : tags) {
    if (CatalogRecordSize(tag) == 0) return false;
  }
  return true;
}
static_assert(AreCatalogTables(kCompactCopyTableOrder) && AreCatalogTables(kNewCatalogTableOrder));

}  // namespace veldra
