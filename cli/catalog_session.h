// Opening the catalog a command works on, and the checks every command shares.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "cli/tool.h"
#include "storage/catalog_document.h"

namespace veldra::cli {

enum class Access {
  kRead,    // list, show, categories: a catalog read only in part is shown with a warning
  kChange,  // every command that writes to the catalog: it must have been read completely
            // and show none of the damage LoadForChange looks for
  kCopy,    // compact: read completely; it writes a new file, so damage does not stop it
};

// Converts the UTF-8 catalog path to CP932, refuses a path where no file is, and loads the
// catalog (never creating one; kChange with LoadForChange). nullptr after a line on io.err
// when it cannot be used.
std::unique_ptr<CVeldraDocument> OpenCatalogFor(ToolIo& io, const std::string& utf8_path,
                                                Access access);

// A warning for a catalog that was read only in part (kRead); true when one was printed,
// so that the command ends with exit code 1 after its output.
bool WarnIfIncomplete(ToolIo& io, const CVeldraDocument& document);

// Parses the ids given to --id (or one positional ID). false after a usage error.
bool ParseEntryIds(ToolIo& io, const Tool& tool, const std::vector<std::string>& words,
                   std::vector<int32_t>* ids);
// true when the catalog has an entry with this id; otherwise a line on io.err.
bool RequireEntries(ToolIo& io, const CVeldraDocument& document,
                    const std::vector<int32_t>& ids);

// A category level given as "1", "2" or "3". false after a usage error.
bool ParseLevel(ToolIo& io, const Tool& tool, const std::string& word, int* level);

// Splits "a/b/c" into exactly count names (UTF-8, before conversion). false when the count
// differs.
bool SplitNames(const std::string& text, size_t count, std::vector<std::string>* out);

// The message for a Save / SaveTables failure.
std::string SaveFailedMessage(const CVeldraDocument& document, int code);

}  // namespace veldra::cli
