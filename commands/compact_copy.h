// The new save: a compacted copy of a catalog in a new file. It holds the entries, labels,
// id counters, environment values and categories, and only the attachments that a record
// still points at, renumbered 0, 1, 2, ... in table order. No sort levels, no remembered
// folders.
//
// The copy is written to a temporary file beside the target and renamed over it only when
// complete, so a failure leaves neither a half-written copy nor a lost older file.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "storage/catalog_document.h"
#include "storage/catalog_records.h"
#include "storage/chunk_file.h"

namespace veldra::commands {

constexpr int kCompactOk = 0;
constexpr int kCompactSameFile = -1;        // the target is the catalog itself
constexpr int kCompactIncomplete = -2;      // the catalog was not read completely
constexpr int kCompactCannotOpen = -3;      // the catalog cannot be opened for reading
constexpr int kCompactCannotCreate = -4;    // no temporary file can be made beside the target
constexpr int kCompactWriteFailed = -5;     // writing the copy failed
constexpr int kCompactRenameFailed = -6;    // the finished copy could not replace the target
constexpr int kCompactIdsDamaged = -7;      // a record id is negative or an entry id held
                                            // twice: the copy would keep it (salvage mends it)
constexpr int kCompactNotSynced = -8;       // the copy replaced the target, but its name was
                                            // not confirmed on the device

struct CompactReport {
  int copied_attachments = 0;
  int skipped_attachments = 0;  // records whose bytes are missing, empty or unreadable, and
                                // records no entry finds its PDF by (they name no entry, or
                                // an entry or a PDF an earlier record names)
};

// Writes the compacted copy of document's tables and attachments to target_path (an
// existing file there is replaced). One of the codes above.
int WriteCompactCopy(const CVeldraDocument& document, const std::string& target_path,
                     CompactReport* report = nullptr);

// A short English description of a WriteCompactCopy code.
const char* CompactResultText(int code);

// The writer of a catalog copy, shared with the salvage, which fills it from a walk of a
// damaged file instead of a document.

// What may stand at the target of WriteCatalogFile.
enum class CopyTarget {
  kReplace,  // a file there is replaced once the copy is complete
  kNewOnly,  // nothing may be there, a symbolic link included; nothing is ever replaced
};

// Makes a catalog file at target_path: write puts the chunks into a new container made
// under a temporary name beside the target; the file is then flushed to the storage device,
// renamed to the target, and the target's folder flushed too. kCompactOk;
// kCompactCannotCreate when no temporary file can be made; kCompactWriteFailed when write or
// a flush fails (for kNewOnly also the folder's: the new file is removed again);
// kCompactRenameFailed when the rename fails (for kNewOnly also because something appeared
// at the target); kCompactNotSynced when, for kReplace, only the folder's flush failed (the
// copy stays at the target). The temporary file is removed on every failure.
int WriteCatalogFile(const std::string& target_path, CopyTarget rule,
                     const std::function<bool(ChunkFile& copy)>& write);

// Writes each table of kCompactCopyTableOrder that holds records; table(tag) gives them.
bool WriteCopyTables(ChunkFile& copy,
                     const std::function<const RecordArray&(ChunkTag tag)>& table);

// Fills buf with the n bytes of a PDF that start at offset; false when they cannot be read.
using PdfBytes = std::function<bool(int64_t offset, uint8_t* buf, size_t n)>;

// Appends record, its ordinal set to ordinal, then an "ATTD" chunk of length bytes (above
// 0) that read gives block by block. false when reading or writing fails; the container
// is then left without the "ATTD" chunk.
bool AppendAttachmentCopy(ChunkFile& copy, AttachmentRecord record, int ordinal,
                          int64_t length, const PdfBytes& read);

}  // namespace veldra::commands
