// Importing PDF files: each one becomes an entry, from its companion (.vdb) file when one
// can be read, else fresh from the file with the given category triple; its bytes are
// appended to the catalog as an attachment. The tables are saved once, at the end.
//
// The catalog file is opened once for the whole list, so every attachment is appended
// without walking the file again; the bytes written are those of one AttachPdf per PDF.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "commands/category_triple.h"
#include "platform/platform.h"
#include "storage/catalog_document.h"
#include "storage/catalog_files.h"

namespace veldra::commands {

// Why a PDF's bytes did not reach the catalog.
enum class ImportFailure {
  kNone,
  kNotRegularFile,  // a pipe, a device or a folder named like a PDF: skipped, never opened,
                    // no entry
  kUnreadable,      // the file cannot be opened or read (cause: why)
  kEmpty,           // a file of 0 bytes: there is nothing to store
  kTooLarge,        // larger than a catalog can hold, or it would grow the catalog past that
  kNoSpace,         // the catalog's device is full
  kWriteFailed,     // the catalog could not be written for another reason (cause: why)
  kUnnamable,       // the name holds "?" for a character CP932 cannot represent and reaches
                    // nothing (a PDF, or a folder that could not be searched): no entry
};

struct ImportedPdf {
  std::string path;
  int32_t entry_id = -1;  // -1: skipped, no entry
  bool from_companion = false;
  bool attached = false;  // false: the entry has no PDF bytes; failure tells why
  ImportFailure failure = ImportFailure::kNone;
  platform::Failure cause = platform::Failure::kNone;  // what the system said, when it did
  // kNotRegularFile when a pipe, a device or a folder has the companion's name: it is never
  // opened, and the PDF is imported as if it had no companion. kNone otherwise.
  platform::Failure companion_cause = platform::Failure::kNone;
};

struct ImportReport {
  std::vector<ImportedPdf> imported;     // in the order of the paths
  int save_result = kSaveOk;             // the result of SaveTables
  platform::Failure save_cause = platform::Failure::kNone;  // why it failed
  bool stopped = false;                  // the progress callback asked to stop
  std::vector<std::string> unnamable;    // kImportUnnamable: the paths, none reaching anything
  platform::Failure catalog_cause = platform::Failure::kNone;  // kImportCannotOpen: why
};

// Told before each PDF: how many are done, of how many, and the path of the next one.
// Returning false stops the import before that PDF; what was imported stays and is saved.
using ImportProgress =
    std::function<bool(size_t done, size_t total, const std::string& next_path)>;

constexpr int kImportOk = 0;
constexpr int kImportIncomplete = -1;  // the catalog was not read completely, or is open
                                       // in another process (not writable); nothing done
constexpr int kImportCannotOpen = -2;  // the catalog file cannot be opened for writing, or
                                       // its attachment chain is damaged; nothing done
constexpr int kImportSaveFailed = -3;  // entries and bytes added, but the tables not saved
constexpr int kImportUnnamable = -4;   // every path holds "?" for a character CP932 cannot
                                       // represent and reaches nothing; nothing done
constexpr int kImportIdsExhausted = kIdsExhausted;  // the catalog's counters have too few
                                                    // ids left for the entries, their links
                                                    // or categories; nothing done

// Imports pdf_paths in order with triple (CP932, as ReadCategorySelection gives it) for
// entries without a readable companion, then SaveTables. The triple becomes a category when
// an entry takes it and no category has it yet: before the first PDF when any PDF has no
// companion file, else when the first entry takes it. One of the codes above.
//
// A path that holds "?" and reaches nothing is a name the system could not hand over in
// CP932. Such a path is skipped (kUnnamable, no entry) and the others are imported; only
// when every path is of that kind (a single chosen file so named) is the import refused
// (kImportUnnamable, the paths in report->unnamable). A path that names a pipe or a device
// is skipped without being opened; a PDF whose bytes cannot be read or stored keeps its
// entry without them. Each such PDF's failure is reported.
int ImportPdfs(CVeldraDocument& document, const std::vector<std::string>& pdf_paths,
               const CategoryTriple& triple, ImportReport* report,
               const ImportProgress& progress = {});

// Results of CollectPdfsBelow.
constexpr int kCollectOk = 0;
constexpr int kCollectCannotSearch = -1;  // the folder cannot be searched; out unchanged

// The batch import's list: every "*.pdf" file below folder (extension compared exactly,
// hidden folders skipped), depth first, appended to out. A PDF or a folder to be searched
// whose name holds a character CP932 cannot represent (the system shows it with "?") can be
// neither reached nor stored: such paths follow the others (depth first), so that
// ImportPdfs skips them, names them among its failures and imports the rest.
int CollectPdfsBelow(const std::string& folder, std::vector<std::string>* out);

}  // namespace veldra::commands
