#include "commands/compact_copy.h"

#include <vector>

#include "commands/attachment_cursor.h"
#include "platform/platform.h"
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
  const size_t slash = target.rfind('/');
  const std::string folder = slash == std::string::npos ? "" : target.substr(0, slash + 1);
  const std::string name = slash == std::string::npos ? target : target.substr(slash + 1);
  std::string candidate = folder + "." + name + ".part";
  for (int k = 1; Platform::Current().FileExists(candidate) ||
                  Platform::Current().IsDirectory(candidate);
       ++k) {
    candidate = folder + "." + name + ".part" + std::to_string(k);
  }
  return candidate;
}

bool WriteTables(ChunkFile& copy, const CVeldraDocument& document) {
  for (ChunkTag tag : kCompactCopyTableOrder) {
    const RecordArray& records = *document.table(tag);
    if (records.Count() > 0 && copy.WriteAll(tag, records, CatalogRecordSize(tag)) != kChunkOk) {
      return false;
    }
  }
  return true;
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
                     CompactReport* report) {
  AttachmentCursor cursor(source);
  std::vector<uint8_t> encoded(AttachmentRecord::kEncodedLength);
  for (int i = 0; i < attachments.Count(); ++i) {
    AttachmentRecord record = AttachmentAt(attachments, i);
    if (cursor.SeekTo(record.ordinal) != kChunkOk || !CurrentBytesReadable(source)) {
      ++report->skipped_attachments;
      continue;
    }
    record.ordinal = report->copied_attachments;
    record.EncodeTo(encoded.data());
    if (copy.Append(kTagAttachment, encoded.size(), encoded.data()) != kChunkOk ||
        CopyCurrentChunk(source, copy) != kChunkOk) {
      return false;
    }
    ++report->copied_attachments;
  }
  return true;
}

}  // namespace

int WriteCompactCopy(const CVeldraDocument& document, const std::string& target_path,
                     CompactReport* report) {
  CompactReport local;
  if (report == nullptr) report = &local;
  *report = CompactReport();
  Platform& platform = Platform::Current();
  if (target_path == document.path() || platform.SameFile(target_path, document.path())) {
    return kCompactSameFile;
  }
  if (!document.read_complete()) return kCompactIncomplete;

  ChunkFile source;
  if (source.Open(document.path(), kChunkModeReadOnly) != kChunkOk) return kCompactCannotOpen;

  const std::string temporary = TemporaryPathFor(target_path);
  ChunkFile copy;
  if (copy.Create(temporary) != kChunkOk) return kCompactCannotCreate;

  // The copy is whole on the device before it takes the new path's name: a crash leaves
  // either no file there (or the one that was there) or the complete copy.
  bool ok = WriteTables(copy, document) &&
            CopyAttachments(source, copy, document.attachments(), report) &&
            copy.Sync() == kChunkOk;
  ok = copy.Close() == kChunkOk && ok;
  source.Close();
  if (!ok) {
    platform.Remove(temporary);
    return kCompactWriteFailed;
  }
  if (!platform.Rename(temporary, target_path)) {
    platform.Remove(temporary);
    return kCompactRenameFailed;
  }
  return kCompactOk;
}

const char* CompactResultText(int code) {
  switch (code) {
    case kCompactOk: return "done";
    case kCompactSameFile: return "the new path is the catalog itself";
    case kCompactIncomplete: return "the catalog was not read completely";
    case kCompactCannotOpen: return "the catalog cannot be opened";
    case kCompactCannotCreate: return "no file can be created beside the new path";
    case kCompactWriteFailed: return "writing the copy failed; nothing was left at the new path";
    case kCompactRenameFailed: return "the finished copy could not be moved to the new path";
    default: return "unknown failure";
  }
}

}  // namespace veldra::commands
