// Catalog files: issuing ids, the default catalog, building new category and entry
// records, attaching PDFs to a catalog and reading them back, and the paths of companion
// (.vdb) and exported files. Paths are CP932 with "/" as the separator; every file is reached
// through platform::Platform::Current().
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/platform.h"
#include "storage/catalog_entry_record.h"
#include "storage/catalog_records.h"
#include "storage/chunk_file.h"
#include "storage/record_array.h"

namespace veldra {

// A counter that stands at kLastIdValue has issued every id 32 bits hold: it issues no
// more, rather than wrap to negative ids (which only an interrupted write leaves).
constexpr int32_t kLastIdValue = 2147483647;
// What NextId gives when it cannot issue an id.
constexpr int32_t kNoIdLeft = -1;
// The result of a command that would have made records for which a counter has no id left:
// it changed nothing. No save, container or command code has this value.
constexpr int kIdsExhausted = -11;

// The next id of key for the table serving tag, counted in counters (IdCounterRows): the
// row's value, which is then raised by one. An unknown key gets a new row (value 1, its row
// id from "ic_id") and returns 0, except for tag "IDCO", which returns 0 and adds nothing.
// Ids are never reused. A counter at kLastIdValue (or below 0), or a new row that "ic_id"
// has no id left for, gives kNoIdLeft and changes nothing. Changes the table in memory only.
int32_t NextId(IdCounterTable& counters, ChunkTag tag, std::string_view key);
// How many ids NextId can still issue for key: 0 when none.
int64_t IdsLeft(const IdCounterTable& counters, ChunkTag tag, std::string_view key);
// Makes the counter of key issue no id below at_least (a counter row is made when there is
// none): a damaged file can hold a counter at or below an id already in use, and an id is
// never handed out twice. true when the counter changed.
bool RaiseCounter(IdCounterTable& counters, ChunkTag tag, std::string_view key, int32_t at_least);

// Makes a new catalog at path: root, three "LABE", one "CATS" ("その他" at every level), three
// "IDCO". true when it was made; false (nothing written) when a file exists at path or it
// cannot be created. A catalog whose writing failed half way is removed again.
bool CreateDefaultCatalog(const std::string& path);

// Appends a new category with the three names (CP932) to categories; no check for an
// existing triple with the same names. false, nothing added, when no category id is left.
bool NewCategoryRecord(RecordArray& categories, IdCounterTable& counters,
                       std::string_view level1, std::string_view level2,
                       std::string_view level3);

// Fills *out (reset first) for a PDF about to be imported: a new id, the three names, file
// name and title from the path's last component, the path, the system's and the machine's
// names, the file's size (-1 when it cannot be opened) and creation time, created/updated now.
// false (*out reset, no id issued) when no entry id is left.
bool NewEntryRecord(IdCounterTable& counters, const std::string& pdf_path,
                    std::string_view level1, std::string_view level2, std::string_view level3,
                    EntryRecord* out);

// Appends the PDF's bytes to the catalog file as an "ATTD" chunk, copied in bounded blocks,
// and appends to attachments a record linking entry's id to the new chunk's ordinal (the
// number of "ATTD" chunks before it). 0, or -1 with no record added when the catalog cannot
// be opened read/write, the PDF cannot be read or is empty, the append fails, or no
// attachment id is left (then nothing is appended).
int AttachPdf(const EntryRecord& entry, const std::string& pdf_path,
              const std::string& catalog_path, RecordArray& attachments,
              IdCounterTable& counters);

// Why AppendPdfChunk stored nothing. platform::LastFailure() tells the system's cause of a
// read or write that failed.
enum class PdfChunkFailure {
  kNone,
  kUnreadable,   // the PDF cannot be opened or read
  kEmpty,        // the PDF has no bytes
  kTooLarge,     // the PDF, or the catalog with it, is past the container's 32-bit sizes
  kWriteFailed,  // the catalog could not be written
};

// The two steps of AttachPdf, for a caller that keeps the catalog open over many PDFs.
// Appends the PDF's bytes to the open catalog (read/write) as a new "ATTD" chunk, in bounded
// blocks; false when the PDF cannot be read, is empty or too large, or the append fails,
// with the reason in *why when why is given.
bool AppendPdfChunk(ChunkFile& catalog, const std::string& pdf_path,
                    PdfChunkFailure* why = nullptr);
// Appends to attachments the record linking entry_id to the "ATTD" chunk numbered ordinal,
// with an id from counters. 0, or -1 when no record could be added (no id left included).
int AppendAttachmentLink(RecordArray& attachments, IdCounterTable& counters, int32_t entry_id,
                         int ordinal);

// The bytes of the ordinal-th "ATTD" chunk in *out; their number, or -1 when there is no
// such chunk, it is empty or cannot be read. For small callers: the whole PDF is in memory.
int64_t ReadAttachment(const std::string& catalog_path, int ordinal, std::vector<uint8_t>* out);

// The length of the ordinal-th "ATTD" chunk, or -1 when there is none.
int64_t AttachmentLength(const std::string& catalog_path, int ordinal);

// Where the data of an "ATTD" chunk lies in the catalog file, and how many bytes it holds.
struct AttachmentSpan {
  int64_t offset = 0;
  int64_t length = 0;
  bool operator==(const AttachmentSpan&) const = default;
};

// The spans of the catalog's "ATTD" chunks by ordinal (out[i] is the ordinal-th chunk's), in
// one walk of their list. true when the walk reached the list's end (a catalog without
// attachments included); false when the catalog cannot be opened or the list breaks: out
// then holds the spans before the break.
bool AttachmentSpans(const std::string& catalog_path, std::vector<AttachmentSpan>* out);

// Result codes of CopyAttachmentToFile.
constexpr int kCopyOk = 0;
constexpr int kCopyNoAttachment = -1;   // no such chunk, empty, or the catalog cannot be read
constexpr int kCopyCannotCreate = -2;   // the target cannot be created; nothing was made
constexpr int kCopyFailed = -3;         // reading or writing failed; the target was removed

// Copies the ordinal-th "ATTD" chunk into a new file at target_path (an existing file is
// replaced), in bounded blocks. On failure no part-written target is left behind.
int CopyAttachmentToFile(const std::string& catalog_path, int ordinal,
                         const std::string& target_path);

// Copies the ordinal-th "ATTD" chunk into target, a file open for writing, from its offset
// 0 on, in bounded blocks. kCopyOk, kCopyNoAttachment (nothing written), or kCopyFailed: the
// target may then hold part of the bytes, and the caller that made it removes it.
int CopyAttachmentIntoFile(const std::string& catalog_path, int ordinal, platform::File& target);

// Appends a copy of source's ordinal-th "ATTD" chunk to target (both open; target
// read/write), in bounded blocks. 0, -1 when there is no such chunk or it is empty, or the
// container's error code.
int CopyAttachmentChunk(ChunkFile& source, int ordinal, ChunkFile& target);

// Appends a copy of source's current chunk (its tag and data) to target (read/write), in
// bounded blocks: memory for one block, whatever the chunk's length. 0, -1 when there is no
// current chunk or it is empty, or the container's error code (target left as it was).
int CopyCurrentChunk(ChunkFile& source, ChunkFile& target);

// The number of "ATTD" chunks in the open catalog, or -1 when their chain cannot be walked
// to its end. The next attachment appended gets this number as its ordinal.
int CountAttachmentChunks(ChunkFile& file);

// Copies the data of the open catalog's current chunk into a new file at target_path, in
// blocks. kCopyOk, kCopyCannotCreate, or kCopyFailed (no file is left at target_path).
int CopyCurrentChunkToFile(ChunkFile& catalog, const std::string& target_path);

// Makes a new file at path whose bytes writer puts into the file it is given. The bytes go
// to a temporary name beside path (TemporaryPathBeside), created exclusively and never
// through a symbolic link, and the file takes path only once writer has returned true, and
// only when nothing (a symbolic link included) is at path then: nothing at path is ever
// replaced or followed. The file's bytes, and then its folder with the new name, are
// synced to the device before kCopyOk is returned. kCopyOk; kCopyCannotCreate when no
// temporary file could be made or path is taken (nothing is left behind); kCopyFailed when
// writer or a sync failed (the file is removed).
int WriteNewFile(const std::string& path, const std::function<bool(platform::File&)>& writer);

// The attempt-th temporary name for path: a hidden name in path's folder (WriteNewFile, and
// the compacted copy, write there first).
std::string TemporaryPathBeside(std::string_view path, int attempt);

// As CopyCurrentChunkToFile, but through WriteNewFile: nothing at target_path is replaced
// (kCopyCannotCreate) and a copy cut short never shows under target_path.
int CopyCurrentChunkToNewFile(ChunkFile& catalog, const std::string& target_path);

// The path before its last "." (searched in the whole path) followed by ".vdb".
std::string CompanionPath(std::string_view path);

// folder + "/" + base + ".pdf", base being name before its last "." ("" without one); while
// that path or its companion (CompanionPath) is taken (Platform::NameTaken: anything, a
// symbolic link included), folder + "/" + base + "-" + k + ".pdf" for k = 1, 2, ...
std::string UniqueExportPath(std::string_view name, std::string_view folder);

// Bytes moved per block when a PDF is copied into or out of a catalog.
constexpr size_t kAttachmentBlockSize = 1 << 20;

}  // namespace veldra
