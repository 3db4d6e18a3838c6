#include "commands/salvage.h"

#include <algorithm>
#include <array>
#include <limits>
#include <map>
#include <memory>
#include <set>
#include <string_view>
#include <unordered_map>
#include <utility>

#include "commands/catalog_check.h"
#include "commands/compact_copy.h"
#include "platform/platform.h"
#include "storage/catalog_files.h"
#include "storage/catalog_table.h"
#include "storage/catalog_table_list.h"
#include "storage/catalog_tags.h"
#include "storage/category_names.h"
#include "storage/interrupted_rewrite.h"
#include "commands/salvage_records.h"

namespace veldra::commands {

using chunk_format::AsOffset;
using chunk_format::kChunkHeaderSize;
using chunk_format::kNoOffset;
using chunk_format::kRootOffset;

namespace {

using platform::Platform;

// A record found in a recovered chunk.
struct Found {
  int64_t offset = 0;
  ChunkFate fate = ChunkFate::kLive;
  std::vector<uint8_t> bytes;
};

// A recovered "ATTD" chunk.
struct PdfChunk {
  const ChunkRecord* chunk = nullptr;
  int64_t data() const { return int64_t{chunk->offset} + kChunkHeaderSize; }
  int64_t length() const { return chunk->header.length; }
};

// The tables whose records start with an id, and the counter key that issues them.
constexpr std::array<std::pair<ChunkTag, const char*>, 6> kIdTables = {{
    {kTagIdCounter, kCounterKeyCounter},
    {kTagLabel, kCounterKeyLabel},
    {kTagCategory, kCounterKeyCategory},
    {kTagEntry, kCounterKeyEntry},
    {kTagAttachment, kCounterKeyAttachment},
    {kTagEnvironment, kCounterKeyEnvironment},
}};

bool HasIds(ChunkTag tag) {
  return std::any_of(kIdTables.begin(), kIdTables.end(),
                     [tag](const auto& table) { return table.first == tag; });
}

std::string Offset(int64_t at) { return std::to_string(at); }

// Of records with the same key, the newest: the later updated timestamp, and of two equal
// ones the later in the file. found is in file order; gives, per key, the index of the
// winner.
template <class Key, class KeyOf, class UpdatedOf>
std::map<Key, size_t> Newest(const std::vector<Found>& found, KeyOf key_of, UpdatedOf updated_of) {
  std::map<Key, size_t> winner;
  for (size_t k = 0; k < found.size(); ++k) {
    const auto [it, fresh] = winner.emplace(key_of(found[k]), k);
    if (!fresh && updated_of(found[k]) >= updated_of(found[it->second])) it->second = k;
  }
  return winner;
}

class Salvager {
 public:
  explicit Salvager(SalvageReport* report) : report_(*report) {}

  bool Gather(const std::string& source_path) {
    if (!InspectContainer(source_path, &inspect_)) {
      for (const std::string& problem : inspect_.problems) {
        report_.unreadable.push_back({0, problem});
      }
      return false;
    }
    source_ = Platform::Current().Open(source_path, platform::OpenMode::kRead);
    if (!source_) {
      report_.unreadable.push_back({0, "the file cannot be opened"});
      return false;
    }
    for (const UnreadStretch& stretch : inspect_.unread) {
      report_.unreadable.push_back({stretch.offset, stretch.reason});
    }
    const std::vector<ChunkFate> fates = ChunkFates(inspect_.chunks);
    for (size_t i = 0; i < inspect_.chunks.size(); ++i) {
      const ChunkRecord& chunk = inspect_.chunks[i];
      if (fates[i] != ChunkFate::kDeleted) {
        recovered_.insert(chunk.offset);
        if (AsOffset(chunk.header.next_head) != kNoOffset) {
          named_heads_.insert(AsOffset(chunk.header.next_head));
        }
      }
      Take(chunk, fates[i]);
    }
    return true;
  }

  void Build() {
    BuildEntries();
    BuildAttachments();
    BuildCounters();
    BuildLabels();
    BuildCategories();
    BuildEnvironment();
    RaiseCounter(kTagIdCounter, kCounterKeyCounter, MaxRowId() + 1);
    GiveFreshIdsWhereNeeded();
  }

  bool Write(ChunkFile& copy) {
    bool ok = WriteCopyTables(copy, [&](ChunkTag tag) -> const RecordArray& {
      return Table(tag);
    });
    for (size_t k = 0; ok && k < links_.size(); ++k) {
      const PdfChunk pdf = links_[k].second;
      const PdfBytes read = [&](int64_t offset, uint8_t* buf, size_t n) {
        return source_->ReadAt(pdf.data() + offset, buf, n) == static_cast<int64_t>(n);
      };
      ok = AppendAttachmentCopy(copy, links_[k].first, static_cast<int>(k), pdf.length(), read);
    }
    for (const auto& [tag, record] : settings_) {
      RecordArray one(record.size());
      ok = ok && one.Append(record.data()) == 0 &&
           copy.WriteAll(tag, one, record.size()) == kChunkOk;
    }
    if (ok) report_.pdfs = static_cast<int>(links_.size());
    return ok;
  }

 private:
  void Unreadable(int64_t at, std::string reason) {
    report_.unreadable.push_back({at, std::move(reason)});
  }

  // Files the chunk's record (or PDF) when it is recovered, and notes the id of a deleted
  // record: ids once issued are never issued again.
  void Take(const ChunkRecord& chunk, ChunkFate fate) {
    const ChunkTag tag = chunk.header.tag;
    if (tag == kRootTag && chunk.offset == static_cast<uint32_t>(kRootOffset)) return;
    const int64_t data = int64_t{chunk.offset} + kChunkHeaderSize;
    const auto size = static_cast<int64_t>(CatalogRecordSize(tag));
    const std::string where = "chunk at " + Offset(chunk.offset);
    if (size == 0 && tag != kTagAttachmentData) {
      // Only damage makes such a chunk, whether a list reaches it or not.
      Unreadable(chunk.offset, where + " has the tag '" + TagText(tag) +
                                   "', which a catalog does not use");
      return;
    }
    if (fate == ChunkFate::kDeleted) {
      uint8_t ids[8];
      if (HasIds(tag) && chunk.header.length == size && source_->ReadAt(data, ids, 8) == 8) {
        NoteId(tag, coding::DecodeI32(ids));
        if (tag == kTagAttachment) NoteId(kTagEntry, coding::DecodeI32(ids + 4));
      }
      return;
    }
    if (tag == kTagAttachmentData) {
      pdf_chunks_.push_back({&chunk});
      return;
    }
    if (chunk.header.length != size) {
      Unreadable(chunk.offset, where + " ('" + TagText(tag) + "') holds " +
                                   std::to_string(chunk.header.length) +
                                   " bytes; its records are " + std::to_string(size) + " bytes");
      return;
    }
    Found found{chunk.offset, fate, std::vector<uint8_t>(static_cast<size_t>(size))};
    if (source_->ReadAt(data, found.bytes.data(), found.bytes.size()) != size) {
      Unreadable(chunk.offset, where + " ('" + TagText(tag) + "') cannot be read");
      return;
    }
    if (HasIds(tag)) {
      const int32_t id = coding::DecodeI32(found.bytes.data());
      // A record being moved keeps its old id below the sign byte the write set.
      const bool moving = id < 0 && CarriesMovingMark(found.bytes.data(), found.bytes.size());
      NoteId(tag, moving ? id & 0x00FFFFFF : id);
      if (tag == kTagAttachment) NoteId(kTagEntry, AttachmentRecord::DecodeFrom(found.bytes.data()).entry_id);
    }
    found_[tag].push_back(std::move(found));
  }

  void NoteId(ChunkTag tag, int32_t id) {
    auto [it, fresh] = max_id_.emplace(tag, id);
    if (!fresh) it->second = std::max(it->second, id);
  }

  const std::vector<Found>& FoundOf(ChunkTag tag) { return found_[tag]; }

  RecordArray& Table(ChunkTag tag) {
    return tables_.try_emplace(tag, RecordArray(CatalogRecordSize(tag))).first->second;
  }

  static LastingBytes LastingOf(ChunkTag tag) {
    for (const CatalogTable& t : kCatalogTables) {
      if (t.tag == tag) return LastingBytesOf(t);
    }
    return {};
  }

  // An id for a record that cannot keep its own: above every id found of its table and
  // above the counter found for it. -1 when none is left.
  int32_t FreshId(ChunkTag tag) {
    auto [next, fresh] = fresh_next_.try_emplace(tag, 0);
    if (fresh) {
      const auto it = max_id_.find(tag);
      if (it != max_id_.end()) next->second = int64_t{it->second} + 1;
      const auto key = std::find_if(kIdTables.begin(), kIdTables.end(),
                                    [tag](const auto& t) { return t.first == tag; });
      for (const Found& f : FoundOf(kTagIdCounter)) {
        const IdCounterRow row = IdCounterRow::DecodeFrom(f.bytes.data());
        if (key != kIdTables.end() && row.serving_tag == tag && row.Key() == key->second) {
          next->second = std::max<int64_t>(next->second, row.next_value);
        }
      }
    }
    if (next->second > std::numeric_limits<int32_t>::max()) return -1;
    const auto id = static_cast<int32_t>(next->second++);
    NoteId(tag, id);
    return id;
  }

  // Each entry once: copies of one record give one entry, two records under one id two
  // (the later under a fresh id), a negative id not left by an interrupted write a fresh id.
  void BuildEntries() {
    const std::vector<Found>& found = FoundOf(kTagEntry);
    std::vector<const uint8_t*> records;
    for (const Found& f : found) records.push_back(f.bytes.data());
    std::vector<RecordGroup> groups = DistinctRecords(
        records, EntryRecord::kEncodedLength, LastingOf(kTagEntry), EntryRecord::kUpdateDateOffset);
    // In the file order of the records kept.
    std::sort(groups.begin(), groups.end(),
              [](const RecordGroup& a, const RecordGroup& b) { return a.kept < b.kept; });
    for (const RecordGroup& group : groups) {
      const Found& kept = found[group.kept];
      std::vector<uint8_t> bytes = kept.bytes;
      const int32_t named = EncodedEntryId(bytes.data());
      if (!group.copies.empty()) {
        SalvageReport::Duplicate duplicate{named, kept.offset, {}};
        for (size_t k : group.copies) duplicate.dropped_at.push_back(found[k].offset);
        report_.duplicates.push_back(std::move(duplicate));
      }
      const EntryRecord entry = EntryRecord::DecodeFrom(bytes.data());
      if (group.needs_fresh_id) {
        const int32_t id = FreshId(kTagEntry);
        if (id < 0) {
          report_.dropped.push_back(
              {kept.offset, "entry " + std::to_string(named) + ": no entry id is left to give it"});
          continue;
        }
        coding::EncodeI32(bytes.data() + EntryRecord::kIdOffset, id);
        report_.renumbered.push_back({named, id, kept.offset, entry.title.Text()});
      }
      (kept.fate == ChunkFate::kLive ? report_.live_entries : report_.cut_off_entries)++;
      entry_named_.push_back(named);
      Table(kTagEntry).Append(bytes.data());
    }
  }

  // The recovered "ATTD" chunks by ordinal (nullptr where one was lost); see salvage.h.
  std::vector<const ChunkRecord*> PdfOrdinals() const {
    std::vector<const ChunkRecord*> ordinals;
    const ChunkRecord* before = nullptr;
    for (const PdfChunk& pdf : pdf_chunks_) {
      const ChunkHeader& h = pdf.chunk->header;
      const uint32_t self = pdf.chunk->offset;
      if (before == nullptr) {
        // The first is the head: prev-in-tag -1, or reached from the root. When the head was
        // lost, the place this one names as its predecessor was the head only if the list of
        // heads names it too; otherwise nothing can be counted.
        const uint32_t head = AsOffset(h.prev_in_tag);
        if (head != kNoOffset && !pdf.chunk->live) {
          if (head >= self || named_heads_.count(head) == 0 || Recovered(head)) break;
          ordinals.push_back(nullptr);
        }
      } else if (AsOffset(h.prev_in_tag) != before->offset &&
                 AsOffset(before->header.next_in_tag) != self) {
        // One lost chunk between them, when both links name the same place between them.
        const uint32_t gap = AsOffset(h.prev_in_tag);
        if (gap != AsOffset(before->header.next_in_tag) || gap <= before->offset || gap >= self) {
          break;
        }
        ordinals.push_back(nullptr);
      }
      ordinals.push_back(pdf.chunk);
      before = pdf.chunk;
    }
    return ordinals;
  }

  // The links, each once (as the entries), then each entry's PDF: see salvage.h.
  void BuildAttachments() {
    const std::vector<Found>& found = FoundOf(kTagAttachment);
    std::vector<const uint8_t*> records;
    for (const Found& f : found) records.push_back(f.bytes.data());
    const std::vector<RecordGroup> groups = DistinctRecords(
        records, AttachmentRecord::kEncodedLength, LastingOf(kTagAttachment), 30);
    const std::vector<const ChunkRecord*> ordinals = PdfOrdinals();
    struct Link {
      AttachmentRecord record;
      int64_t offset;
      const ChunkRecord* pdf;  // nullptr when its PDF was not recovered
      bool fresh_id;
      bool taken = false;
    };
    std::vector<Link> links;
    for (const RecordGroup& group : groups) {
      const AttachmentRecord record = AttachmentRecord::DecodeFrom(found[group.kept].bytes.data());
      const ChunkRecord* pdf = record.ordinal >= 0 &&
                                       static_cast<size_t>(record.ordinal) < ordinals.size() &&
                                       ordinals[record.ordinal] != nullptr &&
                                       ordinals[record.ordinal]->header.length > 0
                                   ? ordinals[record.ordinal]
                                   : nullptr;
      links.push_back({record, found[group.kept].offset, pdf, group.needs_fresh_id});
    }
    const RecordArray& entries = Table(kTagEntry);
    std::vector<EntryToLink> wanting;
    for (int i = 0; i < entries.Count(); ++i) {
      const EntryRecord entry = EntryAt(entries, i);
      wanting.push_back({entry_named_[i], entry.id, entry.file_size});
    }
    std::vector<LinkToAssign> offered;
    for (const Link& link : links) {
      offered.push_back({link.record.entry_id, link.record.ordinal,
                         link.pdf != nullptr ? int64_t{link.pdf->header.length} : -1,
                         link.record.updated, link.offset});
    }
    const LinkAssignment assigned = AssignLinks(wanting, offered);
    const std::vector<int>& link_of = assigned.link_of;
    const std::vector<std::string>& why = assigned.why;
    const auto size_of = [&](int i) { return int64_t{EntryAt(entries, i).file_size}; };
    for (size_t l = 0; l < links.size(); ++l) links[l].taken = assigned.taken[l];
    bool lost_pdf = false;
    for (int i = 0; i < entries.Count(); ++i) {
      lost_pdf = lost_pdf || (link_of[i] < 0 && size_of(i) > 0);
    }
    for (int i = 0; i < entries.Count(); ++i) {
      const EntryRecord entry = EntryAt(entries, i);
      if (link_of[i] < 0) {
        if (entry.file_size <= 0) continue;  // imported without bytes: nothing was lost
        report_.without_pdf.push_back(
            {entry.id, entry.title.Text(),
             why[i].empty() ? "no attachment link to its PDF was found" : why[i]});
        continue;
      }
      Link& link = links[link_of[i]];
      AttachmentRecord record = link.record;
      record.entry_id = entry.id;
      if (link.fresh_id) {
        const int32_t id = FreshId(kTagAttachment);
        if (id >= 0) record.id = id;
      }
      links_.push_back({record, PdfChunk{link.pdf}});
    }
    // A link no entry takes, while every entry has its PDF, is what a deletion cut short
    // leaves (the link of an entry that is gone): nothing of anyone's is lost with it.
    for (const Link& link : links) {
      if (link.taken || !lost_pdf) continue;
      report_.dropped.push_back(
          {link.offset, "attachment link " + std::to_string(link.record.id) + " (entry " +
                            std::to_string(link.record.entry_id) +
                            "): no recovered entry is its own"});
    }
  }

  // The recovered counter rows, one per serving tag and key (the largest value), each raised
  // above the largest id found of its table.
  void BuildCounters() {
    IdCounterTable& counters = Table(kTagIdCounter);
    for (const Found& f : FoundOf(kTagIdCounter)) {
      const IdCounterRow row = IdCounterRow::DecodeFrom(f.bytes.data());
      const int i = CounterIndex(row.serving_tag, row.Key());
      if (i < 0) {
        AppendRecord(counters, row);
      } else if (CounterAt(counters, i).next_value < row.next_value) {
        SetRecordAt(counters, i, row);
      }
    }
    for (const auto& [tag, key] : kIdTables) {
      const auto it = max_id_.find(tag);
      if (it != max_id_.end()) RaiseCounter(tag, key, int64_t{it->second} + 1);
    }
  }

  int CounterIndex(ChunkTag tag, std::string_view key) {
    const IdCounterTable& counters = Table(kTagIdCounter);
    for (int i = 0; i < counters.Count(); ++i) {
      const IdCounterRow row = CounterAt(counters, i);
      if (row.serving_tag == tag && row.Key() == key) return i;
    }
    return -1;
  }

  void RaiseCounter(ChunkTag tag, const char* key, int64_t at_least) {
    IdCounterTable& counters = Table(kTagIdCounter);
    const auto value = static_cast<int32_t>(
        std::min<int64_t>(at_least, std::numeric_limits<int32_t>::max()));
    int i = CounterIndex(tag, key);
    if (i < 0 && tag == kTagIdCounter) {
      IdCounterRow row;  // the counters' own row is row 0
      row.serving_tag = tag;
      row.SetKey(key);
      row.created = CatalogTimestamp::Now();
      row.updated = row.created;
      AppendRecord(counters, row);
    } else if (i < 0) {
      NextId(counters, tag, key);  // adds the row
    }
    i = CounterIndex(tag, key);
    IdCounterRow row = CounterAt(counters, i);
    if (i >= 0 && row.next_value < value) {
      row.next_value = value;
      SetRecordAt(counters, i, row);
    }
  }

  int64_t MaxRowId() {
    int64_t max = max_id_.count(kTagIdCounter) > 0 ? max_id_.at(kTagIdCounter) : -1;
    const IdCounterTable& counters = Table(kTagIdCounter);
    for (int i = 0; i < counters.Count(); ++i) {
      max = std::max<int64_t>(max, CounterAt(counters, i).row_id);
    }
    return max;
  }

  // A label, category, environment value or counter row kept with a negative id, or with
  // the id of one kept before it, gets the next id of its counter, which lies above every
  // id found by now.
  void GiveFreshIdsWhereNeeded() {
    IdCounterTable& counters = Table(kTagIdCounter);
    for (const auto& [tag, key] : kIdTables) {
      if (tag == kTagEntry || tag == kTagAttachment || tag == kTagIdCounter) continue;
      RecordArray& records = Table(tag);
      std::set<int32_t> kept;
      for (int i = 0; i < records.Count(); ++i) {
        const int32_t id = coding::DecodeI32(records.At(i));
        if (id < 0 || !kept.insert(id).second) {
          coding::EncodeI32(records.MutableAt(i), NextId(counters, tag, key));
        }
      }
    }
    std::set<int32_t> rows;
    for (int i = 0; i < counters.Count(); ++i) {
      const int32_t row_id = CounterAt(counters, i).row_id;
      if (row_id >= 0 && rows.insert(row_id).second) continue;
      const int32_t id = NextId(counters, kTagIdCounter, kCounterKeyCounter);
      IdCounterRow row = CounterAt(counters, i);  // NextId may have changed this very row
      row.row_id = id;
      SetRecordAt(counters, i, row);
    }
  }

  // One label per level, the newest found; the default one where none was.
  void BuildLabels() {
    const auto newest = Newest<int32_t>(
        FoundOf(kTagLabel), [](const Found& f) { return LabelRecord::DecodeFrom(f.bytes.data()).level; },
        [](const Found& f) { return LabelRecord::DecodeFrom(f.bytes.data()).updated; });
    for (int level = 1; level <= 3; ++level) {
      const auto it = newest.find(level);
      if (it != newest.end()) {
        Table(kTagLabel).Append(FoundOf(kTagLabel)[it->second].bytes.data());
        continue;
      }
      LabelRecord label;
      label.id = NextId(Table(kTagIdCounter), kTagLabel, kCounterKeyLabel);
      label.level = level;
      label.text.SetText(kDefaultLabelNames[level - 1]);
      label.created = CatalogTimestamp::Now();
      label.updated = label.created;
      AppendRecord(Table(kTagLabel), label);
    }
  }

  // The categories found (each triple once), then その他/その他/その他 and every triple a
  // recovered entry uses, where missing.
  void BuildCategories() {
    RecordArray& categories = Table(kTagCategory);
    std::set<std::array<std::string, 3>> triples;
    for (const Found& f : FoundOf(kTagCategory)) {
      const CategoryRecord c = CategoryRecord::DecodeFrom(f.bytes.data());
      if (triples.insert({c.Name(1), c.Name(2), c.Name(3)}).second) {
        categories.Append(f.bytes.data());
      }
    }
    const std::string other(kOtherCategoryName);
    std::vector<std::array<std::string, 3>> wanted = {{other, other, other}};
    const RecordArray& entries = Table(kTagEntry);
    for (int i = 0; i < entries.Count(); ++i) {
      const EntryRecord e = EntryAt(entries, i);
      wanted.push_back({e.CategoryName(1), e.CategoryName(2), e.CategoryName(3)});
    }
    for (const auto& t : wanted) {
      if (triples.insert(t).second) {
        NewCategoryRecord(categories, Table(kTagIdCounter), t[0], t[1], t[2]);
      }
    }
  }

  // The environment values found, one per key (the newest); and the remembered folders,
  // the last one found of each.
  void BuildEnvironment() {
    const std::vector<Found>& found = FoundOf(kTagEnvironment);
    const auto newest = Newest<std::string>(
        found, [](const Found& f) { return EnvironmentRecord::DecodeFrom(f.bytes.data()).key.Text(); },
        [](const Found& f) { return EnvironmentRecord::DecodeFrom(f.bytes.data()).updated; });
    std::set<size_t> kept;
    for (const auto& [key, k] : newest) kept.insert(k);
    for (size_t k : kept) Table(kTagEnvironment).Append(found[k].bytes.data());
    for (const CatalogTable& setting : kCatalogSettings) {
      const std::vector<Found>& folders = FoundOf(setting.tag);
      if (!folders.empty()) settings_.emplace_back(setting.tag, folders.back().bytes);
    }
  }

  // Whether a recovered chunk starts at offset.
  bool Recovered(uint32_t offset) const { return recovered_.count(offset) > 0; }

  SalvageReport& report_;
  ContainerReport inspect_;
  std::set<uint32_t> recovered_;    // the offsets of the recovered chunks
  std::set<uint32_t> named_heads_;  // the next-head links of the recovered chunks
  std::unique_ptr<platform::File> source_;
  std::map<ChunkTag, std::vector<Found>> found_;
  std::map<ChunkTag, int32_t> max_id_;  // the largest id found, deleted records included
  std::map<ChunkTag, int64_t> fresh_next_;  // the next fresh id of each table
  std::vector<int32_t> entry_named_;        // per kept entry: the id its record carried
  std::vector<PdfChunk> pdf_chunks_;    // in file order
  std::map<ChunkTag, RecordArray> tables_;
  std::vector<std::pair<AttachmentRecord, PdfChunk>> links_;
  std::vector<std::pair<ChunkTag, std::vector<uint8_t>>> settings_;
};

}  // namespace

int SalvageCatalog(const std::string& source_path, const std::string& target_path,
                   SalvageReport* report) {
  *report = SalvageReport();
  if (Platform::Current().NameTaken(target_path)) return kSalvageTargetTaken;
  Salvager salvager(report);
  if (!salvager.Gather(source_path)) return kSalvageNotContainer;
  salvager.Build();
  const int rc = WriteCatalogFile(target_path, CopyTarget::kNewOnly,
                                  [&](ChunkFile& copy) { return salvager.Write(copy); });
  switch (rc) {
    case kCompactOk: return kSalvageOk;
    case kCompactCannotCreate: return kSalvageCannotCreate;
    case kCompactRenameFailed: return kSalvageRenameFailed;
    default: return kSalvageWriteFailed;
  }
}

const char* SalvageResultText(int code) {
  switch (code) {
    case kSalvageOk: return "done";
    case kSalvageTargetTaken: return "something exists at the new path; it is never replaced";
    case kSalvageNotContainer: return "the file is not a catalog that can be salvaged";
    case kSalvageCannotCreate: return "no file can be created beside the new path";
    case kSalvageWriteFailed: return "writing the new catalog failed; nothing was left at the new path";
    case kSalvageRenameFailed: return "the finished catalog could not be moved to the new path";
    default: return "unknown failure";
  }
}

}  // namespace veldra::commands
