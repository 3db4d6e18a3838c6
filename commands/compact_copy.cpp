#include "commands/compact_copy.h"

#include <unordered_set>
#include <vector>

#include "commands/attachment_cursor.h"
#include "platform/path_parts.h"
#include "platform/platform.h"
#include "storage/catalog_damage.h"
#include "storage/catalog_files.h"
#include "storage/catalog_table.h"
#include "storage/catalog_table_list.h"
#include "storage/catalog_tags.h"
#include "storage/chunk_file.h"

namespace veldra::commands {
namespace {

using platform::Platform;

// A path in the target's folder that does not exist yet: ".<name>.part", then
// ".<name>.part1", ".<name>.part2", ...
std::string TemporaryPathFor(const std::string& target) {
  int attempt = 0;
  std::string candidate = TemporaryPathBeside(target, attempt);
  while (Platform::Current().FileExists(candidate) || Platform::Current().IsDirectory(candidate)) {
    candidate = TemporaryPathBeside(target, ++attempt);
  }
  return candidate;
}

// Whether the current "ATTD" chunk has bytes that can be copied: it is not empty and its
// last byte can be read, so its data lies wholly inside the file.
bool CurrentBytesReadable(ChunkFile& source) {
  const int length = source.CurrentLength();
  uint8_t last = 0;
  return length > 0 && source.ReadCurrentRange(length - 1, 1, &last) == kChunkOk;
}

// Appends each attachment record whose bytes can be read, followed by those bytes, with its
// ordinal renumbered. The bytes go across in blocks, so a large PDF costs one block of
// memory, not its size. false when writing fails, or when reading bytes already found
// readable fails half-way (the copy would lack a PDF the catalog still holds).
bool CopyAttachments(ChunkFile& source, ChunkFile& copy, const RecordArray& attachments,
                     const std::unordered_set<int32_t>& entry_ids, CompactReport* report) {
  AttachmentCursor cursor(source);
  std::unordered_set<int32_t> entries_linked;
  std::unordered_set<int32_t> pdfs_linked;
  for (int i = 0; i < attachments.Count(); ++i) {
    const AttachmentRecord record = AttachmentAt(attachments, i);
    // Only the records an entry finds its PDF by: the first that names it (and not a PDF an
    // earlier one took).
    if (!entry_ids.count(record.entry_id) || !entries_linked.insert(record.entry_id).second ||
        !pdfs_linked.insert(record.ordinal).second) {
      ++report->skipped_attachments;
      continue;
    }
    if (cursor.SeekTo(record.ordinal) != kChunkOk || !CurrentBytesReadable(source)) {
      ++report->skipped_attachments;
      continue;
    }
    const PdfBytes read = [&](int64_t offset, uint8_t* buf, size_t n) {
      return source.ReadCurrentRange(offset, n, buf) == kChunkOk;
    };
    if (!AppendAttachmentCopy(copy, record, report->copied_attachments,
                              source.CurrentLength(), read)) {
      return false;
    }
    ++report->copied_attachments;
  }
  return true;
}

}  // namespace

int WriteCatalogFile(const std::string& target_path, CopyTarget rule,
                     const std::function<bool(ChunkFile& copy)>& write) {
  Platform& platform = Platform::Current();
  const std::string temporary = TemporaryPathFor(target_path);
  ChunkFile copy;
  if (copy.Create(temporary) != kChunkOk) return kCompactCannotCreate;
  // The bytes reach the device before the name does: a crash never leaves a target that
  // names a half-written copy.
  bool ok = write(copy) && copy.Sync() == kChunkOk;
  ok = copy.Close() == kChunkOk && ok;
  if (!ok) {
    platform.Remove(temporary);
    return kCompactWriteFailed;
  }
  const bool renamed = rule == CopyTarget::kReplace
                           ? platform.Rename(temporary, target_path)
                           : platform.RenameNoReplace(temporary, target_path);
  if (!renamed) {
    platform.Remove(temporary);
    return kCompactRenameFailed;
  }
  // The name reaches the device too, or a power cut after the success told could take the
  // copy away again. Unconfirmed, a new name (ours alone) goes again; a copy that replaced
  // a file stays, as the only one there is, and the caller is told.
  if (!platform.SyncFolder(platform::FolderOfPath(target_path))) {
    if (rule == CopyTarget::kReplace) return kCompactNotSynced;
    platform.Remove(target_path);
    return kCompactWriteFailed;
  }
  return kCompactOk;
}

bool WriteCopyTables(ChunkFile& copy,
                     const std::function<const RecordArray&(ChunkTag tag)>& table) {
  for (ChunkTag tag : kCompactCopyTableOrder) {
    const RecordArray& records = table(tag);
    if (records.Count() > 0 && copy.WriteAll(tag, records, CatalogRecordSize(tag)) != kChunkOk) {
      return false;
    }
  }
  return true;
}

bool AppendAttachmentCopy(ChunkFile& copy, AttachmentRecord record, int ordinal,
                          int64_t length, const PdfBytes& read) {
  if (length <= 0) return false;
  std::vector<uint8_t> encoded(AttachmentRecord::kEncodedLength);
  record.ordinal = ordinal;
  record.EncodeTo(encoded.data());
  if (copy.Append(kTagAttachment, encoded.size(), encoded.data()) != kChunkOk) return false;
  int64_t offset = 0;
  const int rc = copy.AppendStream(kTagAttachmentData, length, [&](uint8_t* buf, size_t n) {
    const bool ok = read(offset, buf, n);
    offset += static_cast<int64_t>(n);
    return ok;
  });
  return rc == kChunkOk;
}

int WriteCompactCopy(const CVeldraDocument& document, const std::string& target_path,
                     CompactReport* report) {
  CompactReport local;
  if (report == nullptr) report = &local;
  *report = CompactReport();
  Platform& platform = Platform::Current();
  if (target_path == document.path() || platform.SameFile(target_path, document.path())) {
    return kCompactSameFile;
  }
  // A catalog with damage in its lists is copied as far as they reach (the caller warns);
  // one whose tables could not all be read is not copied at all.
  if (!document.read_complete() && document.load_status() != CatalogLoadStatus::kDamaged) {
    return kCompactIncomplete;
  }

  if (HasDamage(JudgeIds(document))) return kCompactIdsDamaged;

  std::unordered_set<int32_t> entry_ids;
  for (int i = 0; i < document.entries().Count(); ++i) {
    entry_ids.insert(EncodedEntryId(document.entries().At(i)));
  }
  ChunkFile source;
  if (source.Open(document.path(), kChunkModeReadOnly) != kChunkOk) return kCompactCannotOpen;
  return WriteCatalogFile(target_path, CopyTarget::kReplace, [&](ChunkFile& copy) {
    return WriteCopyTables(copy, [&](ChunkTag tag) -> const RecordArray& {
             return *document.table(tag);
           }) &&
           CopyAttachments(source, copy, document.attachments(), entry_ids, report);
  });
}

const char* CompactResultText(int code) {
  switch (code) {
    case kCompactOk: return "done";
    case kCompactSameFile: return "the new path is the catalog itself";
    case kCompactIncomplete: return "the catalog was not read completely";
    case kCompactIdsDamaged:
      return "a record id is negative or an entry id is held twice, which a copy would keep; "
             "'veldra-cli salvage' writes a sound catalog";
    case kCompactCannotOpen: return "the catalog cannot be opened";
    case kCompactCannotCreate: return "no file can be created beside the new path";
    case kCompactWriteFailed: return "writing the copy failed; nothing was left at the new path";
    case kCompactRenameFailed: return "the finished copy could not be moved to the new path";
    case kCompactNotSynced:
      return "the copy is at the new path, but the system did not confirm that its name is on "
             "the disk; a power cut could still take it away";
    default: return "unknown failure";
  }
}

}  // namespace veldra::commands
