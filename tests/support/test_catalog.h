// The catalogs of the tests: entries made as the import makes them, in a document or in a
// catalog file of the current platform.
#pragma once

#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "storage/catalog_document.h"
#include "storage/catalog_entry_record.h"
#include "storage/chunk_inspect.h"

namespace veldra::testing {

// Appends to document an entry made as the import makes one for pdf_path (a path the
// platform does not have gives the size -1), in the category of the three CP932 names, and
// returns it. No category record is added.
EntryRecord AddTestEntry(CVeldraDocument& document, const std::string& pdf_path,
                         std::string_view c1 = "a", std::string_view c2 = "b",
                         std::string_view c3 = "c");

// Appends count entries for "/in/0.pdf", "/in/1.pdf", ... in the category a/b/c.
void AddTestEntries(CVeldraDocument& document, int count);

// An entry of MakeTestCatalog, texts in UTF-8: imported from "/in/<title>.pdf", then given
// these fields.
struct TestEntry {
  std::string title;
  std::array<std::string, 3> categories;
  int size = 1024;
  int rating = 0;
  std::string updated = "20240101120000000";  // 17 digits, or "" for an all-zero stamp
  std::array<std::string, 5> people;  // author, editor, supervisor, translator, publisher
  std::string note;
};

// Creates a catalog at path (replacing a file there) with the category triples (UTF-8) and
// the entries; ids count from 0 in order. false when it cannot be written.
bool MakeTestCatalog(const std::string& path,
                     const std::vector<std::array<std::string, 3>>& triples,
                     const std::vector<TestEntry>& entries);

// Catalogs to damage: whole PDFs in a file of the current platform, and the chunk bytes.

// The bytes MakeCatalogWithPdfs stores for entry i: size bytes, different for every i.
std::string TestPdfBytes(int i, size_t size = 3000);

// Makes a catalog at path (where nothing may be) with count entries, ids 0, 1, ..., in the
// category a/b/c, each imported with its PDF (TestPdfBytes(i)) and saved on its own as the
// single import does, so the chunks of an entry, its link and its PDF lie side by side.
// false when it cannot be written.
bool MakeCatalogWithPdfs(const std::string& path, int count);
// The same with the PDFs' bytes given: entry i holds pdfs[i]. With save_each false the
// tables are saved once, after the last PDF (a catalog of thousands in seconds).
bool MakeCatalogWithPdfs(const std::string& path, const std::vector<std::string>& pdfs,
                         bool save_each = true);

// The chunks of tag in the container at path, in file order: the live ones, or all.
std::vector<ChunkRecord> ChunksOf(const std::string& path, ChunkTag tag, bool all = false);

// Overwrites the 4 bytes at offset of the file at path with value, little-endian.
bool PatchInt32(const std::string& path, int64_t offset, int32_t value);

}  // namespace veldra::testing
