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
// entries without a readable companion, then SaveTables. The triple becomes a category when
// an entry takes it and no category has it yet: before the first PDF when any PDF has no
// companion file, else when the first entry takes it. One of the codes above.
int ImportPdfs(CVeldraDocument& document, const std::vector<std::string>& pdf_paths,
               const CategoryTriple& triple, ImportReport* report);

// Results of CollectPdfsBelow.
constexpr int kCollectOk = 0;
constexpr int kCollectCannotSearch = -1;  // the folder cannot be searched
constexpr int kCollectUnnamable = -2;     // names that cannot be imported; see below

// The batch import's list: every "*.pdf" file below folder (extension compared exactly,
// hidden folders skipped), depth first, appended to out. A PDF or a folder to be searched
// whose name holds a character CP932 cannot represent (the system shows it with "?") can be
// neither reached nor stored: such paths are appended to unnamable (depth first), out is
// left as it was and the result is kCollectUnnamable. The import then names them and
// imports nothing, rather than importing part of the folder.
int CollectPdfsBelow(const std::string& folder, std::vector<std::string>* out,
                     std::vector<std::string>* unnamable);

}  // namespace veldra::commands
