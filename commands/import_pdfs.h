// Importing PDF files: each one becomes an entry, from its companion (.vdb) file when one
// can be read, else fresh from the file with the given category triple; its bytes are
// appended to the catalog as an attachment. The tables are saved once, at the end.
//
// The catalog file is opened once for the whole list, so every attachment is appended
// without walking the file again; the bytes written are those of one AttachPdf per PDF.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "commands/category_triple.h"
#include "storage/catalog_document.h"

namespace veldra::commands {

struct ImportedPdf {
  std::string path;
  int32_t entry_id = -1;
  bool from_companion = false;
  bool attached = false;  // false: unreadable or empty file, the entry has no PDF bytes
};

struct ImportReport {
  std::vector<ImportedPdf> imported;  // in the order of the paths
  int save_result = kSaveOk;          // the result of SaveTables
};

constexpr int kImportOk = 0;
constexpr int kImportIncomplete = -1;  // the catalog was not read completely, or is open
                                       // in another process (not writable); nothing done
constexpr int kImportCannotOpen = -2;  // the catalog file cannot be opened for writing, or
                                       // its attachment chain is damaged; nothing done
constexpr int kImportSaveFailed = -3;  // entries and bytes added, but the tables not saved

// Imports pdf_paths in order with triple (CP932, as ReadCategorySelection gives it) for
// entries without a companion, then SaveTables. One of the codes above.
int ImportPdfs(CVeldraDocument& document, const std::vector<std::string>& pdf_paths,
               const CategoryTriple& triple, ImportReport* report);

// The batch import's list: every "*.pdf" file below folder (extension compared exactly,
// hidden folders skipped), depth first. -1 when the folder cannot be searched.
int CollectPdfsBelow(const std::string& folder, std::vector<std::string>* out);

}  // namespace veldra::commands
