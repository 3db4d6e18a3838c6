// CVeldraDocument: one open catalog in memory. It loads every table of the catalog file,
// answers the queries of the windows (entries filtered by category, the names of each
// level, labels, attachments, environment values), changes the tables in memory and writes
// them back when asked. It knows nothing of windows; the shell keeps the lists of open
// property and viewer windows beside it.
//
// A document whose file could not be read completely never writes to that file: every save
// fails, so a table that could not be read is never replaced by an empty one. Nor does a
// document opened while another VELDRA process had the catalog open (OpenCatalog holds the
// catalog's writer lock for as long as the document lives): that process rewrites the
// tables from its own memory, so one writer at a time keeps both from losing changes.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/platform.h"
#include "storage/catalog_entry_record.h"
#include "storage/catalog_records.h"
#include "storage/catalog_table_snapshot.h"
#include "storage/chunk_file.h"
#include "storage/record_array.h"

namespace veldra::platform {
class FileLock;
}  // namespace veldra::platform

namespace veldra {

// What the last Load made of the file.
enum class CatalogLoadStatus {
  kComplete,      // every table present was read
  kIncomplete,    // a table is present but could not be read (broken chain, records of an
                  // unexpected size); the readable tables are loaded, saving is refused
  kNotContainer,  // the file could not be opened or is not a container: empty document,
                  // saving is refused
  kDamaged,       // LoadForChange: every table was read, but the file shows damage the
                  // next save would make permanent (damage() says which); saving is refused
};

// One level of the sort order: a sort key code (0 none) and 1 ascending / 0 descending.
struct SortLevel {
  int32_t key_code = 0;
  uint8_t ascending = 0;
  bool operator==(const SortLevel&) const = default;
};

// The detail windows an entry had open when its catalog was last closed: the stacking
// numbers the browser recorded (1 topmost; 0 or less: the window was not open).
struct DetailWindowOrder {
  int32_t entry_id = 0;
  int16_t entry_window = 0;
  int16_t pdf_window = 0;
  bool operator==(const DetailWindowOrder&) const = default;
};

// Result codes of Save and SaveTables: kSaveOk, or a failure below 0. Callers compare with
// kSaveOk.
constexpr int kSaveOk = 0;
constexpr int kSaveFailed = -2;  // Save: a table could not be written (the file may hold
                                 // part of the change), or nothing could be
constexpr int kSaveSortLevelsFailed = -10;  // Save: every table is written, only the sort
                                            // levels written after them are not (the file
                                            // keeps its earlier sort levels, or part of
                                            // them); no container code has this value

class CVeldraDocument {
 public:
  static constexpr int kColumnCount = 17;
  static constexpr int kSortLevelCount = 3;
  static constexpr int kDefaultSortKeyCode = 2;  // title
  static constexpr size_t kPathLimit = 255;
  static constexpr size_t kEnvironmentValueBufferSize = 128;
  static constexpr size_t kEnvironmentKeyBufferSize = 64;

  CVeldraDocument();
  ~CVeldraDocument();
  CVeldraDocument(const CVeldraDocument&) = delete;
  CVeldraDocument& operator=(const CVeldraDocument&) = delete;

  // Opening, loading and saving.

  // Makes a default catalog at path when no file can be read there, takes the catalog's
  // writer lock, then loads it. Always true; load_status() tells what was read, and
  // open_elsewhere() whether another holder had the lock.
  bool OpenCatalog(const std::string& path);
  // Fills every table from the file at path; tables the file lacks are empty. Takes no lock
  // and lets go of one OpenCatalog took.
  void Load(const std::string& path);
  // Load, then, when every table was read, the check a change relies on: whatever
  // `veldra-cli check` reports as damage (JudgeCatalog, storage/catalog_damage.h) gives
  // kDamaged; the traces of an interrupted write, which the next save puts right, do not.
  // OpenCatalog loads this way unless the catalog is open elsewhere.
  void LoadForChange(const std::string& path);
  CatalogLoadStatus load_status() const { return load_status_; }
  // Why the last Load found no container: the system's cause when the file could not be
  // opened (kNotRegularFile: a folder, a pipe or a device), kNone otherwise.
  platform::Failure load_failure() const { return load_failure_; }
  bool read_complete() const { return load_status_ == CatalogLoadStatus::kComplete; }
  // The first damage LoadForChange found, in one sentence; empty unless kDamaged.
  const std::string& damage() const { return damage_; }
  // The tables Load found holding leftovers of an interrupted write (read without them;
  // storage/interrupted_rewrite.h), and the links table when it held the links of entries
  // whose deletion was cut short. The next save of the document's own file drops them from
  // the file.
  std::vector<ChunkTag> tables_with_leftovers() const {
    std::vector<ChunkTag> tags;
    for (const auto& repair : repairs_) tags.push_back(repair.first);
    return tags;
  }
  // True when OpenCatalog found the catalog open in another VELDRA process.
  bool open_elsewhere() const { return open_elsewhere_; }
  // True when the document may write to its own file: read completely, and not open
  // elsewhere.
  bool writable() const { return read_complete() && !open_elsewhere_; }

  // Writes every table and then the sort levels to the document's file: kSaveOk; or
  // kSaveFailed when the file cannot be opened, a table cannot be written, or the document
  // is not writable(); or kSaveSortLevelsFailed when the tables are in the file and only
  // the sort levels could not be written.
  int Save();
  // Writes every table except the sort levels to the file at path: kSaveOk, or the first
  // failure (the container's code, below 0; kChunkBadArgument when that is the document's
  // own file and it is not writable()). Each table is tried even after one has failed.
  int SaveTables(const std::string& path);
  // Told the result of every Save, and of every SaveTables of the document's own file, as
  // it ends: the windows tell the user when their catalog stops being saved.
  void set_save_observer(std::function<void(int result)> observer) {
    save_observer_ = std::move(observer);
  }
  // Replaces the chunks of tag in the document's file by one record of size bytes.
  bool WriteSetting(ChunkTag tag, size_t size, const void* data);
  // Copies the first record of tag from the document's file into out (size bytes; a shorter
  // record is followed by zeros). true when there is one.
  bool ReadSetting(ChunkTag tag, size_t size, void* out) const;

  // Queries and updates.

  // Keeps, in table order, the entries whose three names match the selections ("＜すべて＞"
  // matches any name); the result replaces and is the filtered entries.
  RecordArray& FilterEntries(std::string_view level1, std::string_view level2,
                             std::string_view level3);
  // The same entries as indexes into entries(), in table order, without copying them.
  std::vector<int> MatchingEntries(std::string_view level1, std::string_view level2,
                                   std::string_view level3) const;
  // The distinct names of level 1..3 over all categories, in CategoryNameOrder.
  void ListLevelNames(int level, std::vector<std::string>* out) const;
  // The distinct names of level among the categories whose names at the two other levels (in
  // ascending level order) match the selections, in CategoryNameOrder.
  std::vector<std::string> ListMatchingNames(int level, std::string_view first_selection,
                                             std::string_view second_selection) const;
  bool CategoryExists(std::string_view level1, std::string_view level2,
                      std::string_view level3) const;

  bool FindLabel(int level, LabelRecord* out) const;
  // Replaces the first label of record's level, stamping its updated time. false when the
  // level has no label (nothing is added).
  bool UpdateLabel(const LabelRecord& record);

  // Replaces the first entry of entries (the table or the filtered list) with record's id,
  // stamping its update date. false, nothing changed, when the id is not there.
  bool ReplaceEntry(RecordArray& entries, const EntryRecord& record);
  void RemoveEntry(int32_t entry_id);

  // Entries by id. Windows and commands read and change entries through these, never
  // through the record bytes. All of them work in memory; the caller saves.

  // A copy of the first entry with this id; nothing when the entries have none.
  std::optional<EntryRecord> FindEntry(int32_t entry_id) const;
  // Writes record back over the entry with its id: ReplaceEntry in the entries, then in the
  // filtered entries (when the entry is listed there), each stamping the update date. false,
  // nothing changed, when the entries have no entry with that id.
  bool UpdateEntry(const EntryRecord& record);
  // Each sets one field of the entry with entry_id and writes it back with UpdateEntry;
  // false, nothing changed, when there is no such entry.
  bool SetEntryWindowPosition(int32_t entry_id, const WindowRect& rect);  // property window
  bool SetPdfWindowPosition(int32_t entry_id, const WindowRect& rect);    // PDF viewer
  bool SetEntryWindowOrder(int32_t entry_id, int16_t number);
  bool SetPdfWindowOrder(int32_t entry_id, int16_t number);
  bool SetEntrySelected(int32_t entry_id, bool selected);
  // Sets the last-view date to now (the update date too). The windows then write the tables
  // with SaveTables(path()).
  bool StampLastView(int32_t entry_id);
  // Both window numbers of every entry become -1, and every entry's update date now, in the
  // entries and the filtered entries.
  void ResetWindowOrders();
  // Clears the selection flag of every entry, in the entries and the filtered entries,
  // without stamping update dates (the flags are written again before every save).
  void ClearEntrySelections();
  // The entries, in stored order, whose entry window or PDF window number is above 0.
  std::vector<DetailWindowOrder> DetailWindowOrders() const;
  void RemoveAttachmentLink(int32_t entry_id);
  // The "ATTD" ordinal of the entry's first attachment record, or -1.
  int AttachmentOrdinal(int32_t entry_id) const;
  // ReadAttachment / CopyAttachmentToFile on the document's file.
  int64_t ReadEntryAttachment(int ordinal, std::vector<uint8_t>* out) const;
  int CopyEntryAttachmentToFile(int ordinal, const std::string& target_path) const;
  // CopyAttachmentIntoFile on the document's file: into a file the caller created.
  int CopyEntryAttachmentIntoFile(int ordinal, platform::File& target) const;

  // Sets the value of key (CP932), adding a record when the key is new (unless no id is
  // left for one: then nothing is kept). In memory only.
  void SetEnvironmentValue(std::string_view key, std::string_view value);
  // The value of the first record of key, cut to 127 bytes. false when there is none.
  bool GetEnvironmentValue(std::string_view key, std::string* out) const;

  // The tables. The arrays stay owned by the document; callers change them and then save.
  RecordArray& entries() { return entries_; }
  const RecordArray& entries() const { return entries_; }
  RecordArray& labels() { return labels_; }
  const RecordArray& labels() const { return labels_; }
  IdCounterTable& counters() { return counters_; }
  const IdCounterTable& counters() const { return counters_; }
  RecordArray& attachments() { return attachments_; }
  const RecordArray& attachments() const { return attachments_; }
  RecordArray& filtered_entries() { return filtered_entries_; }
  const RecordArray& filtered_entries() const { return filtered_entries_; }
  RecordArray& environment() { return environment_; }
  const RecordArray& environment() const { return environment_; }
  RecordArray& categories() { return categories_; }
  const RecordArray& categories() const { return categories_; }
  // The table of a tag of kCatalogTables (storage/catalog_table_list.h); nullptr for another.
  RecordArray* table(ChunkTag tag);
  const RecordArray* table(ChunkTag tag) const;

  // The distinct names of level 1..3 as of the last Load (an empty list for another level).
  const std::vector<std::string>& level_names(int level) const;
  // Rebuilds the three name lists from the categories (after categories were added).
  void RebuildLevelNames();

  const std::string& path() const { return path_; }

  // For each column of the entry list, the sort key code it sorts by (set by the browser).
  std::array<int32_t, kColumnCount>& column_sort_codes() { return column_sort_codes_; }
  const std::array<int32_t, kColumnCount>& column_sort_codes() const { return column_sort_codes_; }
  // Primary, secondary, tertiary.
  std::array<SortLevel, kSortLevelCount>& sort_levels() { return sort_levels_; }
  const std::array<SortLevel, kSortLevelCount>& sort_levels() const { return sort_levels_; }
  static std::array<SortLevel, kSortLevelCount> DefaultSortLevels();

 private:
  // Load; every header read is appended to *seen when seen is not null.
  void LoadTables(const std::string& path, std::vector<ChunkHeader>* seen);
  int WriteTables(ChunkFile& file, bool same_file, bool stop_at_first_failure);
  int SaveAll();
  int SaveTablesTo(const std::string& path);
  bool MayWriteTo(const std::string& path) const;
  void ResetTables();
  TableSnapshot* snapshot(ChunkTag tag);

  RecordArray entries_;
  RecordArray labels_;
  IdCounterTable counters_;
  RecordArray attachments_;
  RecordArray filtered_entries_;
  RecordArray environment_;
  std::string path_;
  RecordArray categories_;
  std::array<std::vector<std::string>, 3> level_names_;
  std::array<int32_t, kColumnCount> column_sort_codes_{};
  std::array<SortLevel, kSortLevelCount> sort_levels_;
  CatalogLoadStatus load_status_ = CatalogLoadStatus::kNotContainer;
  std::string damage_;
  // After a complete load: no counter issues an id at or below one in use.
  void KeepCountersAboveIdsInUse();
  // After a complete load: the links a deletion cut short left behind are read away.
  void DropLinksOfDeletedEntries(ChunkFile& file);
  platform::Failure load_failure_ = platform::Failure::kNone;
  std::unique_ptr<platform::FileLock> lock_;  // held from OpenCatalog on
  std::function<void(int)> save_observer_;
  bool open_elsewhere_ = false;

  // Tables that Load found with leftovers of an interrupted write
  // (storage/interrupted_rewrite.h), as read without them: the next save of the document's
  // own file writes each of them first, which drops the leftovers from the file, before
  // any change made since is written.
  std::vector<std::pair<ChunkTag, RecordArray>> repairs_;
  // Where the last chunk Load read ends: the next save of the document's own file cuts an
  // unlinked tail behind it (ChunkFile::CutUnlinkedTail), also when it appends nothing.
  int64_t loaded_end_ = 0;
  // Writes repairs_ and cuts an unlinked tail; false when a write fails.
  bool RepairOwnFile(ChunkFile& file);

  // What each table last looked like in the file, so a save rewrites only what changed.
  TableSnapshot counters_saved_;
  TableSnapshot labels_saved_;
  TableSnapshot entries_saved_;
  TableSnapshot attachments_saved_;
  TableSnapshot environment_saved_;
  TableSnapshot categories_saved_;
};

}  // namespace veldra
