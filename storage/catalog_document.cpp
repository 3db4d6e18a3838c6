#include "storage/catalog_document.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <optional>
#include <set>
#include <unordered_map>
#include <unordered_set>
#include <utility>

#include "platform/platform.h"
#include "storage/catalog_coding.h"
#include "storage/catalog_files.h"
#include "storage/catalog_table.h"
#include "storage/catalog_table_list.h"
#include "storage/catalog_tags.h"
#include "storage/category_names.h"
#include "storage/catalog_damage.h"
#include "storage/chunk_inspect.h"
#include "storage/interrupted_rewrite.h"

namespace veldra {

namespace {

using platform::Platform;

// The name of level (1..3) straight from an encoded entry, as the filter compares it.
std::string EncodedEntryName(const uint8_t* entry, int level) {
  return FieldToMultibyte(entry + EntryRecord::kCategoryNamesOffset + 256 * (level - 1), 256,
                          kCategoryNameBufferSize);
}

// Sorted copy of the distinct names, in CategoryNameOrder.
std::vector<std::string> SortedNames(const std::set<std::string>& names) {
  std::vector<std::string> sorted(names.begin(), names.end());
  std::sort(sorted.begin(), sorted.end(), [](const std::string& a, const std::string& b) {
    return CategoryNameOrder(a, b) < 0;
  });
  return sorted;
}

// An environment key as the document compares it: as a stored key reads back in 64 bytes.
std::string ComparableKey(std::string_view key) {
  TextField<128> field;
  field.SetText(key);
  return field.Text(CVeldraDocument::kEnvironmentKeyBufferSize);
}

// SaveTables passes the container's codes on: its success is Save's.
static_assert(kSaveOk == kChunkOk);

// What Load made of one table.
enum class TableOutcome { kRead, kAbsent, kBroken };

}  // namespace

CVeldraDocument::CVeldraDocument()
    : entries_(EntryRecord::kEncodedLength),
      labels_(LabelRecord::kEncodedLength),
      counters_(IdCounterRow::kEncodedLength),
      attachments_(AttachmentRecord::kEncodedLength),
      filtered_entries_(EntryRecord::kEncodedLength),
      environment_(EnvironmentRecord::kEncodedLength),
      categories_(CategoryRecord::kEncodedLength),
      sort_levels_(DefaultSortLevels()) {}

CVeldraDocument::~CVeldraDocument() = default;

std::array<SortLevel, CVeldraDocument::kSortLevelCount> CVeldraDocument::DefaultSortLevels() {
  return {SortLevel{kDefaultSortKeyCode, 1}, SortLevel{0, 0}, SortLevel{0, 0}};
}

// --- Opening, loading, saving

bool CVeldraDocument::OpenCatalog(const std::string& path) {
  Platform& platform = Platform::Current();
  // Only a path where nothing exists becomes a new catalog: a file that exists but cannot be
  // read is left alone (and loads as an empty document that never writes).
  platform::LocalTime created;
  const bool exists = platform.FileExists(path) || platform.IsDirectory(path) ||
                      platform.FileCreationTime(path, &created);
  if (!exists) CreateDefaultCatalog(path);
  lock_.reset();  // a lock of an earlier OpenCatalog would keep this one out
  std::unique_ptr<platform::FileLock> lock;
  const bool elsewhere =
      platform.TryLockFile(path, &lock) == platform::LockResult::kHeldElsewhere;
  if (elsewhere) {
    Load(path);
  } else {
    LoadForChange(path);
  }
  lock_ = std::move(lock);
  open_elsewhere_ = elsewhere;
  return true;
}

RecordArray* CVeldraDocument::table(ChunkTag tag) {
  return const_cast<RecordArray*>(std::as_const(*this).table(tag));
}

const RecordArray* CVeldraDocument::table(ChunkTag tag) const {
  switch (tag) {
    case kTagIdCounter: return &counters_;
    case kTagLabel: return &labels_;
    case kTagEntry: return &entries_;
    case kTagAttachment: return &attachments_;
    case kTagEnvironment: return &environment_;
    case kTagCategory: return &categories_;
    default: return nullptr;
  }
}

TableSnapshot* CVeldraDocument::snapshot(ChunkTag tag) {
  switch (tag) {
    case kTagIdCounter: return &counters_saved_;
    case kTagLabel: return &labels_saved_;
    case kTagEntry: return &entries_saved_;
    case kTagAttachment: return &attachments_saved_;
    case kTagEnvironment: return &environment_saved_;
    case kTagCategory: return &categories_saved_;
    default: return nullptr;
  }
}

void CVeldraDocument::ResetTables() {
  for (const CatalogTable& t : kCatalogTables) {
    *table(t.tag) = RecordArray(t.record_size);
    snapshot(t.tag)->Invalidate();
  }
  filtered_entries_ = RecordArray(EntryRecord::kEncodedLength);
  for (auto& names : level_names_) names.clear();
  sort_levels_ = DefaultSortLevels();
}

void CVeldraDocument::LoadForChange(const std::string& path) {
  std::vector<ChunkHeader> seen;
  LoadTables(path, &seen);
  if (load_status_ != CatalogLoadStatus::kComplete) return;
  // What `veldra-cli check` would report as damage, judged by the same function.
  ContainerReport container;
  if (!InspectContainer(path, &container, std::move(seen))) {
    damage_ = container.problems.empty() ? "the file cannot be checked" : container.problems.front();
  } else {
    damage_ = FirstDamage(JudgeCatalog(container, *this));
  }
  if (!damage_.empty()) load_status_ = CatalogLoadStatus::kDamaged;
}

void CVeldraDocument::Load(const std::string& path) { LoadTables(path, nullptr); }

void CVeldraDocument::LoadTables(const std::string& path, std::vector<ChunkHeader>* seen) {
  ResetTables();
  repairs_.clear();
  loaded_end_ = 0;
  lock_.reset();
  open_elsewhere_ = false;
  damage_.clear();
  path_ = path;
  load_failure_ = platform::Failure::kNone;
  ChunkFile file;
  platform::SetLastFailure(platform::Failure::kNone);
  if (file.Open(path, kChunkModeReadOnly) != kChunkOk) {
    load_failure_ = platform::LastFailure();
    file.Close();
    load_status_ = CatalogLoadStatus::kNotContainer;
    return;
  }

  // Every table in one pass over the file: the lists are walked together, so an entry and
  // the attachment link right behind it come in one read. The sort levels come last.
  RecordArray sort_records(kSortLevelTable.record_size);
  std::vector<ChunkTag> tags;
  for (const CatalogTable& t : kCatalogTables) tags.push_back(t.tag);
  tags.push_back(kSortLevelTable.tag);
  std::vector<ChunkFile::TableRead> reads = file.ReadTables(tags, seen);

  bool complete = true;
  bool sort_read = false;
  for (size_t i = 0; i < reads.size(); ++i) {
    const bool sort_levels = i == kCatalogTables.size();
    const CatalogTable& t = sort_levels ? kSortLevelTable : kCatalogTables[i];
    RecordArray& records = sort_levels ? sort_records : *table(t.tag);
    ChunkFile::TableRead& read = reads[i];
    records = RecordArray(t.record_size);
    TableOutcome result = TableOutcome::kBroken;
    if (read.result == kChunkNoSuchTag) {
      result = TableOutcome::kAbsent;
    } else if (read.result == kChunkOk && read.records->record_size() == t.record_size) {
      // Records of another size are not this table's records: never read them as such.
      records = std::move(*read.records);
      result = TableOutcome::kRead;
    }
    if (result == TableOutcome::kRead) {
      for (uint32_t chunk : read.chunks) {
        loaded_end_ = std::max<int64_t>(loaded_end_, int64_t{chunk} + chunk_format::kChunkHeaderSize +
                                                         static_cast<int64_t>(t.record_size));
      }
    }
    if (result == TableOutcome::kBroken) {
      complete = false;
    } else if (!sort_levels) {
      // A write of the table cut short (a crash) leaves the records that were to stay,
      // some twice, and may leave stale back links: the table is read without the
      // leftovers, and its next save writes it in full, which puts the file right.
      const bool leftovers = DropInterruptedRewriteLeftovers(
          records, LastingBytesOf(t));
      if (leftovers) repairs_.emplace_back(t.tag, records);
      if (leftovers || read.stale_back_links) {
        snapshot(t.tag)->Invalidate();
      } else {
        snapshot(t.tag)->Take(records, std::move(read.chunks));
      }
    }
    if (sort_levels) sort_read = result == TableOutcome::kRead;
  }

  RebuildLevelNames();

  if (sort_read) {
    // Chunk order decides the level; the stored level index is not consulted.
    for (int i = 0; i < kSortLevelCount; ++i) {
      const SortLevelRecord record = RecordAt<SortLevelRecord>(sort_records, i);
      sort_levels_[i] = SortLevel{record.key_code, record.ascending};
    }
  }
  if (complete) {
    KeepCountersAboveIdsInUse();
    DropLinksOfDeletedEntries(file);
  }
  file.Close();
  load_status_ = complete ? CatalogLoadStatus::kComplete : CatalogLoadStatus::kIncomplete;
}

void CVeldraDocument::DropLinksOfDeletedEntries(ChunkFile& file) {
  // Deleting entries writes the entries, then their links: cut short in between, the links of
  // the deleted entries are left, naming no entry. Damage to a link's entry field leaves such
  // a link too, and beside it the entry it belonged to, without a link, whose file size is
  // the length of the PDF the link points at: then it is left for the check to report.
  const std::vector<int32_t> ids = SortedEntryIds(entries_);
  std::vector<int> orphans;
  for (int i = 0; i < attachments_.Count(); ++i) {
    const int32_t entry = coding::DecodeI32(attachments_.At(i) + 4);
    if (!std::binary_search(ids.begin(), ids.end(), entry)) orphans.push_back(i);
  }
  if (orphans.empty()) return;
  if (std::adjacent_find(ids.begin(), ids.end()) != ids.end()) return;  // damage: an id twice
  std::unordered_set<int32_t> linked;
  for (int i = 0; i < attachments_.Count(); ++i) {
    linked.insert(coding::DecodeI32(attachments_.At(i) + 4));
  }
  std::unordered_set<int64_t> unlinked_sizes;
  for (int i = 0; i < entries_.Count(); ++i) {
    const EntryRecord entry = EntryAt(entries_, i);
    if (entry.file_size > 0 && linked.count(entry.id) == 0) unlinked_sizes.insert(entry.file_size);
  }
  if (!unlinked_sizes.empty()) {
    std::vector<int64_t> lengths;  // of the PDFs, by ordinal
    for (int rc = file.FindFirst(kTagAttachmentData); rc == kChunkOk; rc = file.FindNext()) {
      lengths.push_back(file.CurrentLength());
    }
    for (int i : orphans) {
      const int32_t ordinal = AttachmentAt(attachments_, i).ordinal;
      if (ordinal < 0 || static_cast<size_t>(ordinal) >= lengths.size() ||
          unlinked_sizes.count(lengths[ordinal]) > 0) {
        return;  // damage: left as it is
      }
    }
  }
  for (auto it = orphans.rbegin(); it != orphans.rend(); ++it) attachments_.Remove(*it);
  // The next save writes the links as read without them first (RepairOwnFile).
  auto repair = std::find_if(repairs_.begin(), repairs_.end(),
                             [](const auto& r) { return r.first == kTagAttachment; });
  if (repair == repairs_.end()) {
    repairs_.emplace_back(kTagAttachment, attachments_);
  } else {
    repair->second = attachments_;
  }
  snapshot(kTagAttachment)->Invalidate();
}

void CVeldraDocument::KeepCountersAboveIdsInUse() {
  // The highest id of each table; entry ids also as the links name them.
  const auto above = [](const RecordArray& records, size_t at) {
    int32_t next = 0;
    for (int i = 0; i < records.Count(); ++i) {
      const int32_t id = coding::DecodeI32(records.At(i) + at);
      if (id >= next) next = id == INT32_MAX ? id : id + 1;
    }
    return next;
  };
  // The counters' own rows first: raising another counter may make a row.
  RaiseCounter(counters_, kTagIdCounter, kCounterKeyCounter, above(counters_, 0));
  const int32_t entry = std::max(above(entries_, 0), above(attachments_, 4));
  RaiseCounter(counters_, kTagEntry, kCounterKeyEntry, entry);
  RaiseCounter(counters_, kTagAttachment, kCounterKeyAttachment, above(attachments_, 0));
  RaiseCounter(counters_, kTagLabel, kCounterKeyLabel, above(*table(kTagLabel), 0));
  RaiseCounter(counters_, kTagCategory, kCounterKeyCategory, above(*table(kTagCategory), 0));
  RaiseCounter(counters_, kTagEnvironment, kCounterKeyEnvironment,
               above(*table(kTagEnvironment), 0));
}

bool CVeldraDocument::MayWriteTo(const std::string& path) const {
  if (writable()) return true;
  return path != path_ && !Platform::Current().SameFile(path, path_);
}

int CVeldraDocument::WriteTables(ChunkFile& file, bool own_file, bool stop_at_first_failure) {
  int first_failure = kChunkOk;
  for (const CatalogTable& t : kCatalogTables) {
    const RecordArray& records = *table(t.tag);
    const int rc = own_file ? snapshot(t.tag)->WriteTable(file, t.tag, records, t.record_size)
                            : file.WriteAll(t.tag, records, t.record_size);
    if (rc != kChunkOk && first_failure == kChunkOk) first_failure = rc;
    if (first_failure != kChunkOk && stop_at_first_failure) break;
  }
  return first_failure;
}

int CVeldraDocument::Save() {
  platform::SetLastFailure(platform::Failure::kNone);  // the observer asks why it failed
  const int rc = SaveAll();
  if (save_observer_) save_observer_(rc);
  return rc;
}

int CVeldraDocument::SaveTables(const std::string& path) {
  platform::SetLastFailure(platform::Failure::kNone);
  const int rc = SaveTablesTo(path);
  if (save_observer_ && (path == path_ || Platform::Current().SameFile(path, path_))) {
    save_observer_(rc);
  }
  return rc;
}

int CVeldraDocument::SaveAll() {
  if (!MayWriteTo(path_)) return kSaveFailed;
  ChunkFile file;
  if (file.Open(path_, kChunkModeReadWrite) != kChunkOk) {
    file.Close();
    return kSaveFailed;
  }
  if (!RepairOwnFile(file) ||
      WriteTables(file, /*own_file=*/true, /*stop_at_first_failure=*/true) != kChunkOk) {
    file.Close();
    return kSaveFailed;
  }
  // The tables, and so the change, are in the file now: a failure from here on is the sort
  // levels' alone, and is told apart.
  RecordArray sort_records(kSortLevelTable.record_size);
  const CatalogTimestamp now = CatalogTimestamp::Now();
  bool ok = true;
  for (int i = 0; i < kSortLevelCount; ++i) {
    SortLevelRecord record;
    record.level_index = i;
    record.key_code = sort_levels_[i].key_code;
    record.ascending = sort_levels_[i].ascending;
    record.created = now;
    record.updated = now;
    ok = ok && AppendRecord(sort_records, record) == 0;
  }
  ok = ok && file.WriteAll(kSortLevelTable.tag, sort_records, kSortLevelTable.record_size) ==
                 kChunkOk;
  ok = file.Close() == kChunkOk && ok;
  return ok ? kSaveOk : kSaveSortLevelsFailed;
}

int CVeldraDocument::SaveTablesTo(const std::string& path) {
  if (!MayWriteTo(path)) return kChunkBadArgument;
  const bool own_file = path == path_ || Platform::Current().SameFile(path, path_);
  ChunkFile file;
  const int open_rc = file.Open(path, kChunkModeReadWrite);
  if (open_rc != kChunkOk) {
    file.Close();
    return open_rc;
  }
  if (own_file && !RepairOwnFile(file)) {
    file.Close();
    return kChunkIoError;
  }
  const int rc = WriteTables(file, own_file, /*stop_at_first_failure=*/false);
  const int close_rc = file.Close();
  return rc != kChunkOk ? rc : close_rc;
}

bool CVeldraDocument::RepairOwnFile(ChunkFile& file) {
  if (loaded_end_ > 0 && file.CutUnlinkedTail(loaded_end_) != kChunkOk) return false;
  loaded_end_ = 0;
  while (!repairs_.empty()) {
    // The table as it was read, so that its write only drops chunks: no record the file
    // holds once moves towards the front, whatever changed in memory since.
    const auto& [tag, records] = repairs_.back();
    if (file.WriteAll(tag, records, CatalogRecordSize(tag)) != kChunkOk) return false;
    repairs_.pop_back();
  }
  return true;
}

bool CVeldraDocument::WriteSetting(ChunkTag tag, size_t size, const void* data) {
  if (!MayWriteTo(path_) || data == nullptr || size == 0) return false;
  RecordArray record(size, 1, 1);
  if (record.Append(data) != 0) return false;
  ChunkFile file;
  bool ok = file.Open(path_, kChunkModeReadWrite) == kChunkOk &&
            file.WriteAll(tag, record, size) == kChunkOk;
  ok = file.Close() == kChunkOk && ok;
  return ok;
}

bool CVeldraDocument::ReadSetting(ChunkTag tag, size_t size, void* out) const {
  std::memset(out, 0, size);
  ChunkFile file;
  std::unique_ptr<RecordArray> records;
  if (file.Open(path_, kChunkModeReadOnly) == kChunkOk) records = file.ReadAll(tag);
  file.Close();
  if (!records || records->Count() == 0) return false;
  std::memcpy(out, records->At(0), std::min(size, records->record_size()));
  return true;
}

// --- Queries

std::vector<int> CVeldraDocument::MatchingEntries(std::string_view level1,
                                                  std::string_view level2,
                                                  std::string_view level3) const {
  const std::string_view selections[3] = {level1, level2, level3};
  std::vector<int> rows;
  rows.reserve(static_cast<size_t>(entries_.Count()));
  for (int i = 0; i < entries_.Count(); ++i) {
    const uint8_t* entry = entries_.At(i);
    bool keep = true;
    for (int level = 1; keep && level <= 3; ++level) {
      const std::string_view selection = selections[level - 1];
      keep = selection == kAllCategoriesName || EncodedEntryName(entry, level) == selection;
    }
    if (keep) rows.push_back(i);
  }
  return rows;
}

RecordArray& CVeldraDocument::FilterEntries(std::string_view level1, std::string_view level2,
                                            std::string_view level3) {
  const std::vector<int> rows = MatchingEntries(level1, level2, level3);
  filtered_entries_ = RecordArray(EntryRecord::kEncodedLength);
  filtered_entries_.Reserve(static_cast<int>(rows.size()));
  for (int i : rows) filtered_entries_.Append(entries_.At(i));
  return filtered_entries_;
}

void CVeldraDocument::ListLevelNames(int level, std::vector<std::string>* out) const {
  out->clear();
  if (level < 1 || level > 3) return;
  std::set<std::string> names;
  for (int i = 0; i < categories_.Count(); ++i) names.insert(CategoryAt(categories_, i).Name(level));
  *out = SortedNames(names);
}

std::vector<std::string> CVeldraDocument::ListMatchingNames(
    int level, std::string_view first_selection, std::string_view second_selection) const {
  if (level < 1 || level > 3) return {};
  // The two other levels, in ascending order.
  const int first_level = level == 1 ? 2 : 1;
  const int second_level = level == 3 ? 2 : 3;
  std::set<std::string> names;
  for (int i = 0; i < categories_.Count(); ++i) {
    const CategoryRecord category = CategoryAt(categories_, i);
    if (NameMatchesSelection(category.Name(first_level), first_selection) &&
        NameMatchesSelection(category.Name(second_level), second_selection)) {
      names.insert(category.Name(level));
    }
  }
  return SortedNames(names);
}

bool CVeldraDocument::CategoryExists(std::string_view level1, std::string_view level2,
                                     std::string_view level3) const {
  for (int i = 0; i < categories_.Count(); ++i) {
    const CategoryRecord category = CategoryAt(categories_, i);
    if (category.Name(1) == level1 && category.Name(2) == level2 && category.Name(3) == level3) {
      return true;
    }
  }
  return false;
}

const std::vector<std::string>& CVeldraDocument::level_names(int level) const {
  static const std::vector<std::string> kNone;
  return level >= 1 && level <= 3 ? level_names_[level - 1] : kNone;
}

void CVeldraDocument::RebuildLevelNames() {
  for (int level = 1; level <= 3; ++level) ListLevelNames(level, &level_names_[level - 1]);
}

bool CVeldraDocument::FindLabel(int level, LabelRecord* out) const {
  for (int i = 0; i < labels_.Count(); ++i) {
    const LabelRecord label = LabelAt(labels_, i);
    if (label.level == level) {
      *out = label;
      return true;
    }
  }
  return false;
}

bool CVeldraDocument::UpdateLabel(const LabelRecord& record) {
  for (int i = 0; i < labels_.Count(); ++i) {
    if (LabelAt(labels_, i).level != record.level) continue;
    LabelRecord updated = record;
    updated.updated = CatalogTimestamp::Now();
    SetRecordAt(labels_, i, updated);
    return true;
  }
  return false;
}

// --- Entries and attachments

void CVeldraDocument::RemoveAttachmentLink(int32_t entry_id) {
  for (int i = 0; i < attachments_.Count(); ++i) {
    if (AttachmentAt(attachments_, i).entry_id == entry_id) {
      attachments_.Remove(i);
      return;
    }
  }
}

int CVeldraDocument::AttachmentOrdinal(int32_t entry_id) const {
  for (int i = 0; i < attachments_.Count(); ++i) {
    const AttachmentRecord record = AttachmentAt(attachments_, i);
    if (record.entry_id == entry_id) return record.ordinal;
  }
  return -1;
}

int64_t CVeldraDocument::ReadEntryAttachment(int ordinal, std::vector<uint8_t>* out) const {
  return ReadAttachment(path_, ordinal, out);
}

int CVeldraDocument::CopyEntryAttachmentToFile(int ordinal, const std::string& target_path) const {
  return CopyAttachmentToFile(path_, ordinal, target_path);
}

int CVeldraDocument::CopyEntryAttachmentIntoFile(int ordinal, platform::File& target) const {
  return CopyAttachmentIntoFile(path_, ordinal, target);
}

// --- Environment values

void CVeldraDocument::SetEnvironmentValue(std::string_view key, std::string_view value) {
  const std::string wanted = ComparableKey(key);
  for (int i = 0; i < environment_.Count(); ++i) {
    EnvironmentRecord record = EnvironmentAt(environment_, i);
    if (record.key.Text(kEnvironmentKeyBufferSize) != wanted) continue;
    record.value.SetText(value);
    record.updated = CatalogTimestamp::Now();
    SetRecordAt(environment_, i, record);
    return;
  }
  EnvironmentRecord record;
  record.id = NextId(counters_, kTagEnvironment, kCounterKeyEnvironment);
  if (record.id == kNoIdLeft) return;  // a window's remembered state is not worth a refusal
  record.key.SetText(key);
  record.value.SetText(value);
  record.created = CatalogTimestamp::Now();
  record.updated = record.created;
  AppendRecord(environment_, record);
}

bool CVeldraDocument::GetEnvironmentValue(std::string_view key, std::string* out) const {
  const std::string wanted = ComparableKey(key);
  for (int i = 0; i < environment_.Count(); ++i) {
    const EnvironmentRecord record = EnvironmentAt(environment_, i);
    if (record.key.Text(kEnvironmentKeyBufferSize) == wanted) {
      *out = record.value.Text(kEnvironmentValueBufferSize);
      return true;
    }
  }
  return false;
}

}  // namespace veldra
