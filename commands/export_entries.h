// Exporting entries: each entry's PDF bytes into a file of the chosen folder, named from the
// entry's file name (numbered when the name is taken), with the entry text record beside it
// in a companion (.vdb) file. Each exported entry gets its last-use date; saving that is the
// caller's.
//
// The file name may come from a companion file written elsewhere, so only its last path
// component is used: nothing is ever written outside the folder.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "storage/catalog_document.h"

namespace veldra::commands {

enum class ExportStatus {
  kExported,
  kCompanionFailed,  // the PDF was written, its companion file was not
  kNoSuchEntry,      // skipped: no entry with this id
  kNoAttachment,     // skipped: no attachment record, or its bytes are missing or empty
  kCannotCreate,     // the PDF file could not be created; the export ended here
  kWriteFailed,      // copying the bytes failed (the partial file was removed); ended here
  kNotReached,       // not tried because the export ended before
};

struct ExportedEntry {
  int32_t entry_id = -1;
  std::string pdf_path;  // set once a target was chosen
  ExportStatus status = ExportStatus::kNotReached;
};

// The name an entry is exported under: the text after the last "/" of file_name, or "" when
// that is empty or only dots (then the numbered-name rule of the empty base applies).
std::string SafeExportName(std::string_view file_name);

// Exports the entries of entry_ids in order into folder. Returns true when every entry was
// exported with its companion; report (one element per id) says what became of each.
bool ExportEntries(CVeldraDocument& document, const std::vector<int32_t>& entry_ids,
                   const std::string& folder, std::vector<ExportedEntry>* report);

// A short English description of a status.
const char* ExportStatusText(ExportStatus status);

}  // namespace veldra::commands
