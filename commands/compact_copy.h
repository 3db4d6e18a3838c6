// The new save: a compacted copy of a catalog in a new file. It holds the entries, labels,
// id counters, environment values and categories, and only the attachments that a record
// still points at, renumbered 0, 1, 2, ... in table order. No sort levels, no remembered
// folders.
//
// The copy is written to a temporary file beside the target and renamed over it only when
// complete, so a failure leaves neither a half-written copy nor a lost older file.
#pragma once

#include <string>

#include "storage/catalog_document.h"

namespace veldra::commands {

constexpr int kCompactOk = 0;
constexpr int kCompactSameFile = -1;        // the target is the catalog itself
constexpr int kCompactIncomplete = -2;      // the catalog was not read completely
constexpr int kCompactCannotOpen = -3;      // the catalog cannot be opened for reading
constexpr int kCompactCannotCreate = -4;    // no temporary file can be made beside the target
constexpr int kCompactWriteFailed = -5;     // writing the copy failed
constexpr int kCompactRenameFailed = -6;    // the finished copy could not replace the target

struct CompactReport {
  int copied_attachments = 0;
  int skipped_attachments = 0;  // records whose bytes are missing, empty or unreadable
};

// Writes the compacted copy of document's tables and attachments to target_path (an
// existing file there is replaced). One of the codes above.
int WriteCompactCopy(const CVeldraDocument& document, const std::string& target_path,
                     CompactReport* report = nullptr);

// A short English description of a WriteCompactCopy code.
const char* CompactResultText(int code);

}  // namespace veldra::commands
