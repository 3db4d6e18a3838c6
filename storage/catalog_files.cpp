#include "storage/catalog_files.h"

#include <algorithm>
#include <cstdio>
#include <limits>
#include <memory>
#include <new>

#include "platform/cp932_chars.h"
#include "platform/path_parts.h"
#include "platform/platform.h"
#include "storage/catalog_table.h"
#include "storage/catalog_table_list.h"
#include "storage/catalog_tags.h"
#include "storage/category_names.h"
#include "storage/file_creation_timestamp.h"
#include "storage/os_name.h"

namespace veldra {

namespace {

using platform::OpenMode;
using platform::Platform;

constexpr size_t kOsNameBufferSize = 64;
constexpr size_t kMachineNameLimit = 63;

// Makes the ordinal-th "ATTD" chunk current. 0, or -1 for a negative ordinal, or the
// container's code (-5 no attachment at all, -4 fewer attachments than ordinal + 1).
int SeekAttachment(ChunkFile& file, int ordinal) {
  if (ordinal < 0) return kChunkBadArgument;
  int rc = file.FindFirst(kTagAttachmentData);
  for (int i = 0; rc == kChunkOk && i < ordinal; ++i) rc = file.FindNext();
  return rc;
}


// A block buffer for copying, or an empty one when memory is short.
std::unique_ptr<uint8_t[]> NewBlock(size_t size) {
  return std::unique_ptr<uint8_t[]>(new (std::nothrow) uint8_t[size]);
}

}  // namespace

namespace {

// Keys are stored cut to 63 bytes: what a stored key would read.
std::string StoredKey(std::string_view key) {
  return std::string(key.substr(0, std::min(key.size(), IdCounterRow::kKeySize - 1)));
}

// The index of key's row for the table serving tag, or -1.
int CounterRowOf(const IdCounterTable& counters, ChunkTag tag, const std::string& stored_key) {
  for (int i = 0; i < counters.Count(); ++i) {
    const IdCounterRow row = CounterAt(counters, i);
    if (row.serving_tag == tag && row.Key() == stored_key) return i;
  }
  return -1;
}

}  // namespace

int64_t IdsLeft(const IdCounterTable& counters, ChunkTag tag, std::string_view key) {
  const int row = CounterRowOf(counters, tag, StoredKey(key));
  if (row >= 0) {
    const int32_t value = CounterAt(counters, row).next_value;
    return value < 0 ? 0 : int64_t{kLastIdValue} - value;
  }
  // No row yet: a new one issues 0 first, once the counters' own counter has given it a
  // row id (that counter, itself without a row, gives 0 and adds nothing).
  if (tag != kTagIdCounter && IdsLeft(counters, kTagIdCounter, kCounterKeyCounter) == 0) return 0;
  return kLastIdValue;
}

int32_t NextId(IdCounterTable& counters, ChunkTag tag, std::string_view key) {
  const std::string wanted = StoredKey(key);
  const int found = CounterRowOf(counters, tag, wanted);
  if (found >= 0) {
    IdCounterRow row = CounterAt(counters, found);
    const int32_t value = row.next_value;
    if (value < 0 || value >= kLastIdValue) return kNoIdLeft;
    row.next_value = value + 1;
    row.updated = CatalogTimestamp::Now();
    SetRecordAt(counters, found, row);
    return value;
  }
  if (tag == kTagIdCounter) return 0;

  IdCounterRow row;
  row.row_id = NextId(counters, kTagIdCounter, kCounterKeyCounter);
  if (row.row_id == kNoIdLeft) return kNoIdLeft;
  row.serving_tag = tag;
  row.SetKey(wanted);
  row.next_value = 1;
  row.created = CatalogTimestamp::Now();
  row.updated = row.created;
  AppendRecord(counters, row);
  return 0;
}

bool RaiseCounter(IdCounterTable& counters, ChunkTag tag, std::string_view key, int32_t at_least) {
  if (at_least < 0) return false;
  const int found = CounterRowOf(counters, tag, StoredKey(key));
  if (found >= 0) {
    IdCounterRow row = CounterAt(counters, found);
    if (row.next_value >= at_least) return false;
    row.next_value = at_least;
    row.updated = CatalogTimestamp::Now();
    SetRecordAt(counters, found, row);
    return true;
  }
  // A new row issues 0 first; the counters' own counter is never made here.
  if (at_least == 0 || tag == kTagIdCounter) return false;
  if (NextId(counters, tag, key) == kNoIdLeft) return false;  // makes the row
  return RaiseCounter(counters, tag, key, at_least);
}

bool CreateDefaultCatalog(const std::string& path) {
  ChunkFile file;
  if (file.Create(path) != kChunkOk) {
    file.Close();
    return false;
  }

  IdCounterTable counters = MakeTable<IdCounterRow>();
  IdCounterRow root;
  root.row_id = 0;
  root.serving_tag = kTagIdCounter;
  root.SetKey(kCounterKeyCounter);
  root.next_value = 1;
  root.created = CatalogTimestamp::Now();
  root.updated = root.created;
  AppendRecord(counters, root);

  RecordArray labels = MakeTable<LabelRecord>();
  for (int level = 1; level <= 3; ++level) {
    LabelRecord label;
    label.id = NextId(counters, kTagLabel, kCounterKeyLabel);
    label.level = level;
    label.text.SetText(kDefaultLabelNames[level - 1]);
    label.created = CatalogTimestamp::Now();
    label.updated = label.created;
    AppendRecord(labels, label);
  }

  RecordArray categories = MakeTable<CategoryRecord>();
  NewCategoryRecord(categories, counters, kOtherCategoryName, kOtherCategoryName,
                    kOtherCategoryName);

  bool ok = labels.Count() == 3 && categories.Count() == 1;
  for (ChunkTag tag : kNewCatalogTableOrder) {
    const RecordArray& records =
        tag == kTagLabel ? labels : tag == kTagCategory ? categories : counters;
    ok = ok && file.WriteAll(tag, records, CatalogRecordSize(tag)) == kChunkOk;
  }
  ok = file.Close() == kChunkOk && ok;
  // A catalog left without its labels or counters would open as a damaged one: the file
  // was made here a moment ago, so it goes again.
  if (!ok) Platform::Current().Remove(path);
  return ok;
}

bool NewCategoryRecord(RecordArray& categories, IdCounterTable& counters,
                       std::string_view level1, std::string_view level2,
                       std::string_view level3) {
  CategoryRecord record;
  record.id = NextId(counters, kTagCategory, kCounterKeyCategory);
  if (record.id == kNoIdLeft) return false;
  record.names[0].SetText(level1);
  record.names[1].SetText(level2);
  record.names[2].SetText(level3);
  record.created = CatalogTimestamp::Now();
  record.updated = record.created;
  return AppendRecord(categories, record) == 0;
}

bool NewEntryRecord(IdCounterTable& counters, const std::string& pdf_path,
                    std::string_view level1, std::string_view level2, std::string_view level3,
                    EntryRecord* out) {
  *out = EntryRecord{};
  out->id = NextId(counters, kTagEntry, kCounterKeyEntry);
  if (out->id == kNoIdLeft) {
    *out = EntryRecord{};
    return false;
  }
  out->category_names[0].SetText(level1);
  out->category_names[1].SetText(level2);
  out->category_names[2].SetText(level3);

  const size_t slash = pdf_path.rfind('/');
  const std::string_view file_name =
      slash == std::string::npos ? std::string_view(pdf_path)
                                 : std::string_view(pdf_path).substr(slash + 1);
  out->file_name.SetText(file_name);
  out->title.SetText(file_name);
  out->file_path.SetText(pdf_path);

  std::string os_name;
  if (GetOsName(kOsNameBufferSize, &os_name) == kOsNameOk) out->os.SetText(os_name);
  out->machine_name.SetText(
      platform::CutCp932(Platform::Current().ComputerName(), kMachineNameLimit));

  out->file_size = -1;
  if (auto pdf = Platform::Current().Open(pdf_path, OpenMode::kRead)) {
    const int64_t size = pdf->Size();
    if (size >= 0) {
      out->file_size = static_cast<int32_t>(
          std::min<int64_t>(size, std::numeric_limits<int32_t>::max()));
    }
  }

  char created[CatalogTimestamp::kEncodedLength] = {};
  if (MakeFileCreationTimestamp(sizeof created, created, pdf_path) == 0) {
    out->file_create_date = CatalogTimestamp::DecodeFrom(reinterpret_cast<uint8_t*>(created));
  }
  out->create_date = CatalogTimestamp::Now();
  out->update_date = out->create_date;
  return true;
}

int AttachPdf(const EntryRecord& entry, const std::string& pdf_path,
              const std::string& catalog_path, RecordArray& attachments,
              IdCounterTable& counters) {
  // Bytes that no link could name are never appended.
  if (IdsLeft(counters, kTagAttachment, kCounterKeyAttachment) == 0) return -1;
  ChunkFile catalog;
  if (catalog.Open(catalog_path, kChunkModeReadWrite) != kChunkOk) {
    catalog.Close();
    return -1;
  }
  // A broken "ATTD" chain would give the new attachment a wrong ordinal.
  const int ordinal = CountAttachmentChunks(catalog);
  const bool appended = ordinal >= 0 && AppendPdfChunk(catalog, pdf_path);
  const int close_rc = catalog.Close();
  if (!appended || close_rc != kChunkOk) return -1;
  return AppendAttachmentLink(attachments, counters, entry.id, ordinal);
}

bool AppendPdfChunk(ChunkFile& catalog, const std::string& pdf_path, PdfChunkFailure* why) {
  PdfChunkFailure unused;
  PdfChunkFailure& failure = why != nullptr ? *why : unused;
  failure = PdfChunkFailure::kNone;
  auto pdf = Platform::Current().Open(pdf_path, OpenMode::kRead);
  const int64_t size = pdf ? pdf->Size() : -1;
  if (size < 0) failure = PdfChunkFailure::kUnreadable;
  if (size == 0) failure = PdfChunkFailure::kEmpty;
  if (size > std::numeric_limits<int32_t>::max()) failure = PdfChunkFailure::kTooLarge;
  if (failure != PdfChunkFailure::kNone) return false;
  // The PDF goes over in blocks: memory stays bounded whatever its size. A file that
  // shrinks while it is read abandons the append.
  int64_t offset = 0;
  bool read_failed = false;
  const int rc = catalog.AppendStream(kTagAttachmentData, size, [&](uint8_t* buf, size_t n) {
    if (pdf->ReadAt(offset, buf, n) != static_cast<int64_t>(n)) {
      read_failed = true;
      return false;
    }
    offset += static_cast<int64_t>(n);
    return true;
  });
  if (rc == kChunkOk) return true;
  // The container refuses with a bad argument only a chunk past its 32-bit offsets.
  failure = read_failed                ? PdfChunkFailure::kUnreadable
            : rc == kChunkBadArgument ? PdfChunkFailure::kTooLarge
                                       : PdfChunkFailure::kWriteFailed;
  return false;
}

int AppendAttachmentLink(RecordArray& attachments, IdCounterTable& counters, int32_t entry_id,
                         int ordinal) {
  AttachmentRecord record;
  record.id = NextId(counters, kTagAttachment, kCounterKeyAttachment);
  if (record.id == kNoIdLeft) return -1;
  record.entry_id = entry_id;
  record.ordinal = ordinal;
  record.created = CatalogTimestamp::Now();
  record.updated = record.created;
  return AppendRecord(attachments, record) == 0 ? 0 : -1;
}

int64_t ReadAttachment(const std::string& catalog_path, int ordinal, std::vector<uint8_t>* out) {
  out->clear();
  ChunkFile catalog;
  if (catalog.Open(catalog_path, kChunkModeReadOnly) != kChunkOk ||
      SeekAttachment(catalog, ordinal) != kChunkOk) {
    catalog.Close();
    return -1;
  }
  const int length = catalog.CurrentLength();
  bool ok = length > 0;
  if (ok) {
    try {
      out->resize(static_cast<size_t>(length));
    } catch (const std::bad_alloc&) {
      ok = false;
    }
  }
  ok = ok && catalog.ReadCurrent(out->size(), out->data()) == kChunkOk;
  catalog.Close();
  if (!ok) {
    out->clear();
    out->shrink_to_fit();
    return -1;
  }
  return length;
}

int64_t AttachmentLength(const std::string& catalog_path, int ordinal) {
  ChunkFile catalog;
  int64_t length = -1;
  if (catalog.Open(catalog_path, kChunkModeReadOnly) == kChunkOk &&
      SeekAttachment(catalog, ordinal) == kChunkOk) {
    length = catalog.CurrentLength();
  }
  catalog.Close();
  return length;
}

bool AttachmentSpans(const std::string& catalog_path, std::vector<AttachmentSpan>* out) {
  out->clear();
  ChunkFile catalog;
  if (catalog.Open(catalog_path, kChunkModeReadOnly) != kChunkOk) return false;
  int rc = catalog.FindFirst(kTagAttachmentData);
  while (rc == kChunkOk) {
    const ChunkHeader& header = catalog.current();
    out->push_back({static_cast<int64_t>(chunk_format::AsOffset(header.self)) +
                        static_cast<int64_t>(chunk_format::kChunkHeaderSize),
                    header.length});
    rc = catalog.FindNext();
  }
  catalog.Close();
  return rc == kChunkEndOfList || rc == kChunkNoSuchTag;
}

int CountAttachmentChunks(ChunkFile& file) {
  int rc = file.FindFirst(kTagAttachmentData);
  if (rc == kChunkNoSuchTag) return 0;
  int count = 0;
  while (rc == kChunkOk) {
    ++count;
    rc = file.FindNext();
  }
  return rc == kChunkEndOfList ? count : -1;
}

namespace {

// The current chunk's data into target from offset 0, one block at a time.
bool CopyCurrentChunkInto(ChunkFile& catalog, platform::File& target) {
  const int64_t length = catalog.CurrentLength();
  auto block = NewBlock(kAttachmentBlockSize);
  bool ok = block != nullptr;
  for (int64_t offset = 0; ok && offset < length;) {
    const size_t n = static_cast<size_t>(
        std::min<int64_t>(length - offset, static_cast<int64_t>(kAttachmentBlockSize)));
    ok = catalog.ReadCurrentRange(offset, n, block.get()) == kChunkOk &&
         target.WriteAt(offset, block.get(), n);
    offset += static_cast<int64_t>(n);
  }
  return ok;
}

// Opens the catalog read-only and makes its ordinal-th attachment the current chunk.
bool OpenAttachment(ChunkFile& catalog, const std::string& catalog_path, int ordinal) {
  if (catalog.Open(catalog_path, kChunkModeReadOnly) != kChunkOk ||
      SeekAttachment(catalog, ordinal) != kChunkOk || catalog.CurrentLength() <= 0) {
    catalog.Close();
    return false;
  }
  return true;
}

}  // namespace

int CopyCurrentChunkToFile(ChunkFile& catalog, const std::string& target_path) {
  Platform& platform = Platform::Current();
  auto target = platform.Open(target_path, OpenMode::kCreate);
  if (!target) return kCopyCannotCreate;
  const bool ok = CopyCurrentChunkInto(catalog, *target);
  target.reset();
  if (!ok) {
    platform.Remove(target_path);
    return kCopyFailed;
  }
  return kCopyOk;
}

namespace {

// How many temporary names WriteNewFile tries before it gives up.
constexpr int kTemporaryNameAttempts = 100;

}  // namespace

std::string TemporaryPathBeside(std::string_view path, int attempt) {
  const size_t slash = path.rfind('/');
  const std::string_view folder =
      slash == std::string_view::npos ? std::string_view() : path.substr(0, slash + 1);
  const std::string_view last = slash == std::string_view::npos ? path : path.substr(slash + 1);
  std::string result = std::string(folder) + "." + std::string(last) + ".part";
  if (attempt > 0) result += "-" + std::to_string(attempt);
  return result;
}

int WriteNewFile(const std::string& path, const std::function<bool(platform::File&)>& writer) {
  Platform& platform = Platform::Current();
  if (platform.NameTaken(path)) return kCopyCannotCreate;
  // kCreateNew fails on any name already there, a symbolic link (dangling or not) included,
  // so a name planted beside the target is never written through.
  std::string temporary;
  std::unique_ptr<platform::File> file;
  for (int attempt = 0; !file && attempt < kTemporaryNameAttempts; ++attempt) {
    temporary = TemporaryPathBeside(path, attempt);
    file = platform.Open(temporary, OpenMode::kCreateNew);
    if (!file && !platform.NameTaken(temporary)) break;  // not a taken name: the folder refuses
  }
  if (!file) return kCopyCannotCreate;
  // On the device before it takes its name: a crash never leaves a part of it there.
  const bool written = writer(*file) && file->Sync();
  file.reset();
  if (!written) {
    platform.Remove(temporary);
    return kCopyFailed;
  }
  if (!platform.RenameNoReplace(temporary, path)) {
    platform.Remove(temporary);
    return kCopyCannotCreate;
  }
  // The new name on the device too: a power cut after the success told cannot take it
  // away. Unconfirmed, the file (ours alone: nothing was at path) goes again.
  if (!platform.SyncFolder(platform::FolderOfPath(path))) {
    platform.Remove(path);
    return kCopyFailed;
  }
  return kCopyOk;
}

int CopyCurrentChunkToNewFile(ChunkFile& catalog, const std::string& target_path) {
  return WriteNewFile(target_path,
                      [&](platform::File& file) { return CopyCurrentChunkInto(catalog, file); });
}

int CopyAttachmentToFile(const std::string& catalog_path, int ordinal,
                         const std::string& target_path) {
  ChunkFile catalog;
  if (!OpenAttachment(catalog, catalog_path, ordinal)) return kCopyNoAttachment;
  const int rc = CopyCurrentChunkToFile(catalog, target_path);
  catalog.Close();
  return rc;
}

int CopyAttachmentIntoFile(const std::string& catalog_path, int ordinal, platform::File& target) {
  ChunkFile catalog;
  if (!OpenAttachment(catalog, catalog_path, ordinal)) return kCopyNoAttachment;
  const bool ok = CopyCurrentChunkInto(catalog, target);
  catalog.Close();
  return ok ? kCopyOk : kCopyFailed;
}

int CopyAttachmentChunk(ChunkFile& source, int ordinal, ChunkFile& target) {
  const int rc = SeekAttachment(source, ordinal);
  if (rc != kChunkOk) return rc;
  return CopyCurrentChunk(source, target);
}

int CopyCurrentChunk(ChunkFile& source, ChunkFile& target) {
  const int length = source.CurrentLength();
  if (length <= 0) return kChunkBadArgument;
  int64_t offset = 0;
  int read_rc = kChunkOk;
  const int append_rc =
      target.AppendStream(source.current().tag, length, [&](uint8_t* buf, size_t n) {
        read_rc = source.ReadCurrentRange(offset, n, buf);
        offset += static_cast<int64_t>(n);
        return read_rc == kChunkOk;
      });
  return read_rc != kChunkOk ? read_rc : append_rc;
}

std::string CompanionPath(std::string_view path) {
  const size_t dot = path.rfind('.');
  std::string result(dot == std::string_view::npos ? std::string_view() : path.substr(0, dot));
  result += ".vdb";
  return result;
}

std::string UniqueExportPath(std::string_view name, std::string_view folder) {
  const size_t dot = name.rfind('.');
  const std::string base(dot == std::string_view::npos ? std::string_view() : name.substr(0, dot));
  const std::string stem = std::string(folder) + "/" + base;
  std::string candidate = stem + ".pdf";
  Platform& platform = Platform::Current();
  for (int k = 1; platform.NameTaken(candidate) || platform.NameTaken(CompanionPath(candidate));
       ++k) {
    candidate = stem + "-" + std::to_string(k) + ".pdf";
  }
  return candidate;
}

}  // namespace veldra
