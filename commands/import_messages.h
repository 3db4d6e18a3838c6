// The texts the import hands back to the window that ran it, in CP932: what failed and
// why, each in a form one warning box can show.
#pragma once

#include <string>
#include <vector>

#include "commands/drop_plan.h"
#include "commands/import_pdfs.h"
#include "platform/platform.h"

namespace veldra::commands {

// At most this many files are named in one box; the rest are counted.
constexpr size_t kMessageMaxListedFiles = 20;

// Why the system refused, in a few words ("ディスクの空き容量が足りません"); "" for kNone.
std::string FailureCauseText(platform::Failure cause);

// Every PDF of the report that was skipped or whose bytes were not stored, each with its
// reason, then every companion file that was not read (a pipe, a device or a folder with
// its name); "" when every PDF went in and no companion was passed over.
std::string MessageImportFailures(const ImportReport& report);

// No path of the import could be reached by its name (the catalog cannot hold it): they are
// named, nothing imported.
std::string MessageUnnamableNames(const std::vector<std::string>& paths);

// The chosen folder cannot be searched.
std::string MessageCannotSearchFolder(const std::string& folder, platform::Failure cause);

// The catalog is open read-only (open elsewhere, or not read completely).
std::string MessageCatalogReadOnly();

// The catalog's id counters have too few ids left for the PDFs (kImportIdsExhausted).
std::string MessageImportIdsExhausted();

// The catalog file cannot be opened for writing, or its attachments cannot be walked.
std::string MessageCatalogNotWritable(const std::string& path, platform::Failure cause);

// The catalog's tables could not all be saved: the file may hold part of the change.
std::string MessageSaveFailed(const std::string& path, platform::Failure cause);

// The catalog's tables were saved, only the sort order stored after them was not
// (kSaveSortLevelsFailed).
std::string MessageSortOrderNotSaved(const std::string& path, platform::Failure cause);

// A drop that holds things neither imported nor opened: each named with why; nothing done.
std::string MessageDropRefused(const std::vector<RefusedDrop>& refused);

}  // namespace veldra::commands
