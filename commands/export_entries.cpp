#include "commands/export_entries.h"

#include <algorithm>
#include <memory>
#include <new>
#include <unordered_map>

#include "commands/attachment_cursor.h"
#include "platform/platform.h"
#include "storage/catalog_files.h"
#include "storage/catalog_table.h"
#include "storage/chunk_file.h"
#include "storage/entry_text.h"

namespace veldra::commands {
namespace {

using platform::OpenMode;
using platform::Platform;

// The file name as the export reads it: CP932, at most 127 bytes.
constexpr size_t kFileNameBufferSize = 128;

// The index of the first entry of each id, so a long export does not search the table
// once per entry.
std::unordered_map<int32_t, int> IndexById(const RecordArray& entries) {
  std::unordered_map<int32_t, int> index;
  for (int i = entries.Count() - 1; i >= 0; --i) index[EncodedEntryId(entries.At(i))] = i;
  return index;
}

// Copies the cursor's current chunk into a new file at path, which must be free: nothing
// there is replaced or followed. kExported, kCannotCreate or kWriteFailed (then no file is
// left at path, nor a temporary one beside it).
ExportStatus CopyCurrentTo(ChunkFile& catalog, const std::string& path) {
  switch (CopyCurrentChunkToNewFile(catalog, path)) {
    case kCopyOk: return ExportStatus::kExported;
    case kCopyCannotCreate: return ExportStatus::kCannotCreate;
    default: return ExportStatus::kWriteFailed;
  }
}

// The ordinal of each entry's first attachment record, as AttachmentOrdinal gives it.
std::unordered_map<int32_t, int> OrdinalByEntry(const RecordArray& attachments) {
  std::unordered_map<int32_t, int> ordinals;
  for (int i = attachments.Count() - 1; i >= 0; --i) {
    const AttachmentRecord record = AttachmentAt(attachments, i);
    ordinals[record.entry_id] = record.ordinal;
  }
  return ordinals;
}

}  // namespace

std::string SafeExportName(std::string_view file_name) {
  const size_t slash = file_name.rfind('/');
  std::string_view last = slash == std::string_view::npos ? file_name : file_name.substr(slash + 1);
  if (last.find_first_not_of('.') == std::string_view::npos) return "";
  return std::string(last);
}

bool ExportEntries(CVeldraDocument& document, const std::vector<int32_t>& entry_ids,
                   const std::string& folder, std::vector<ExportedEntry>* report) {
  report->assign(entry_ids.size(), ExportedEntry());
  for (size_t i = 0; i < entry_ids.size(); ++i) (*report)[i].entry_id = entry_ids[i];

  const std::unordered_map<int32_t, int> index = IndexById(document.entries());
  const std::unordered_map<int32_t, int> ordinals = OrdinalByEntry(document.attachments());
  ChunkFile catalog;
  const bool opened = catalog.Open(document.path(), kChunkModeReadOnly) == kChunkOk;
  AttachmentCursor cursor(catalog);
  bool all_ok = true;
  for (ExportedEntry& item : *report) {
    const auto found = index.find(item.entry_id);
    if (found == index.end()) {
      item.status = ExportStatus::kNoSuchEntry;
      all_ok = false;
      continue;
    }
    EntryRecord entry = EntryAt(document.entries(), found->second);
    const auto ordinal_of = ordinals.find(entry.id);
    const int ordinal = ordinal_of == ordinals.end() ? -1 : ordinal_of->second;
    if (!opened || ordinal < 0 || cursor.SeekTo(ordinal) != kChunkOk ||
        catalog.CurrentLength() <= 0) {
      item.status = ExportStatus::kNoAttachment;
      all_ok = false;
      continue;
    }
    const std::string name = SafeExportName(entry.file_name.Text(kFileNameBufferSize));
    item.pdf_path = UniqueExportPath(name, folder);
    item.status = CopyCurrentTo(catalog, item.pdf_path);
    if (item.status != ExportStatus::kExported) {
      all_ok = false;
      break;  // the rest stay kNotReached
    }
    // Written back as ReplaceEntry does (update date now), at the index already known.
    entry.last_use_date = CatalogTimestamp::Now();
    entry.update_date = entry.last_use_date;
    SetRecordAt(document.entries(), found->second, entry);
    document.ReplaceEntry(document.filtered_entries(), entry);
    const std::string companion = EntryTextBytes(entry);
    const int written = WriteNewFile(CompanionPath(item.pdf_path), [&](platform::File& file) {
      return file.WriteAt(0, companion.data(), companion.size());
    });
    if (written != kCopyOk) {
      item.status = ExportStatus::kCompanionFailed;
      all_ok = false;
    }
  }
  catalog.Close();
  return all_ok;
}

const char* ExportStatusText(ExportStatus status) {
  switch (status) {
    case ExportStatus::kExported: return "exported";
    case ExportStatus::kCompanionFailed: return "PDF written, but its .vdb companion file was not";
    case ExportStatus::kNoSuchEntry: return "no such entry";
    case ExportStatus::kNoAttachment: return "the entry has no stored PDF bytes";
    case ExportStatus::kCannotCreate: return "the PDF file cannot be created";
    case ExportStatus::kWriteFailed: return "writing the PDF file failed";
    case ExportStatus::kNotReached: return "not exported: the export stopped before";
  }
  return "";
}

}  // namespace veldra::commands
