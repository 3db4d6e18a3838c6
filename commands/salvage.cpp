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

namespace veldra::commands {

using chunk_format::AsOffset;
using chunk_format::kChunkHeaderSize;
using chunk_format::kNoOffset;
using chunk_format::kRootOffset;

std::vector<ChunkFate> ChunkFates(const std::vector<ChunkRecord>& chunks) {
  const size_t n = chunks.size();
  std::vector<ChunkFate> fate(n, ChunkFate::kDeleted);
  std::unordered_map<uint32_t, size_t> index;
  for (size_t i = 0; i < n; ++i) index.emplace(chunks[i].offset, i);
  // The chunk at link, or n when no chunk (of tag, when tag is given) starts there.
  auto chunk_at = [&](int32_t link) {
    const auto it = index.find(AsOffset(link));
    return it == index.end() ? n : it->second;
  };
  auto chunk_of = [&](int32_t link, ChunkTag tag) {
    const size_t i = chunk_at(link);
    return i < n && chunks[i].header.tag == tag ? i : n;
  };
  auto recovered = [&](size_t i) { return fate[i] != ChunkFate::kDeleted; };

  std::set<ChunkTag> live_tags;
  std::unordered_multimap<uint32_t, size_t> by_prev_in_tag;  // chunks waiting on a link
  std::unordered_multimap<uint32_t, size_t> by_prev_head;
  for (size_t i = 0; i < n; ++i) {
    const ChunkHeader& h = chunks[i].header;
    if (chunks[i].live) {
      fate[i] = ChunkFate::kLive;
      live_tags.insert(h.tag);
    } else if (AsOffset(h.prev_in_tag) != kNoOffset) {
      by_prev_in_tag.emplace(AsOffset(h.prev_in_tag), i);
    } else {
      by_prev_head.emplace(AsOffset(h.prev_head), i);
    }
  }
  std::set<std::pair<ChunkTag, uint32_t>> ran_into;  // a tag's list met damage there
  std::set<uint32_t> heads_ran_into;                  // the list of heads met damage there
  if (chunk_at(kRootOffset) == n) heads_ran_into.insert(kRootOffset);
  std::vector<bool> named_next(n, false);  // a recovered chunk of its tag names it as next

  std::vector<size_t> work;
  auto wake = [&](uint32_t offset) {
    for (auto [it, end] = by_prev_in_tag.equal_range(offset); it != end; ++it) {
      work.push_back(it->second);
    }
    for (auto [it, end] = by_prev_head.equal_range(offset); it != end; ++it) {
      work.push_back(it->second);
    }
  };
  // What a recovered chunk tells about the chunks around it.
  auto spread = [&](size_t i) {
    const ChunkHeader& h = chunks[i].header;
    wake(chunks[i].offset);
    if (AsOffset(h.next_in_tag) != kNoOffset) {
      const size_t next = chunk_of(h.next_in_tag, h.tag);
      if (next < n) {
        named_next[next] = true;
        work.push_back(next);
      } else {
        ran_into.insert({h.tag, AsOffset(h.next_in_tag)});
        wake(AsOffset(h.next_in_tag));
      }
    }
    if (AsOffset(h.next_head) != kNoOffset && chunk_at(h.next_head) == n) {
      heads_ran_into.insert(AsOffset(h.next_head));
      wake(AsOffset(h.next_head));
    }
  };
  auto cut_off = [&](size_t i) {
    const ChunkHeader& h = chunks[i].header;
    const uint32_t self = chunks[i].offset;
    if (named_next[i]) return true;
    if (AsOffset(h.prev_in_tag) != kNoOffset) {
      const size_t prev = chunk_of(h.prev_in_tag, h.tag);
      if (prev == n) {
        return ran_into.count({h.tag, AsOffset(h.prev_in_tag)}) > 0 ||
               heads_ran_into.count(AsOffset(h.prev_in_tag)) > 0;
      }
      if (!recovered(prev)) return false;
      const int32_t link = chunks[prev].header.next_in_tag;
      return AsOffset(link) == self || chunk_of(link, h.tag) == n;
    }
    // A head. A tag with a live chunk has its head: this one is a former head.
    if (live_tags.count(h.tag) > 0) return false;
    // Replaced as head by its successor, which then took prev-in-tag -1.
    const size_t next = chunk_of(h.next_in_tag, h.tag);
    if (next < n && AsOffset(chunks[next].header.prev_in_tag) != self) return false;
    const size_t prev = chunk_at(h.prev_head);
    if (prev == n) return heads_ran_into.count(AsOffset(h.prev_head)) > 0;
    if (!recovered(prev)) return false;
    // Not -1: a list of heads that ends there may have lost this head on purpose.
    const int32_t link = chunks[prev].header.next_head;
    return AsOffset(link) == self || (AsOffset(link) != kNoOffset && chunk_at(link) == n);
  };

  for (size_t i = 0; i < n; ++i) {
    if (recovered(i)) spread(i);
  }
  for (size_t i = n; i-- > 0;) {
    if (!recovered(i)) work.push_back(i);
  }
  while (!work.empty()) {
    const size_t i = work.back();
    work.pop_back();
    if (recovered(i) || !cut_off(i)) continue;
    fate[i] = ChunkFate::kCutOff;
    spread(i);
  }
  return fate;
}

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
      uint8_t id[4];
      if (HasIds(tag) && chunk.header.length == size && source_->ReadAt(data, id, 4) == 4) {
        NoteId(tag, coding::DecodeI32(id));
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
    if (HasIds(tag)) NoteId(tag, coding::DecodeI32(found.bytes.data()));
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

  void BuildEntries() {
    const std::vector<Found>& found = FoundOf(kTagEntry);
    const auto winner = Newest<int32_t>(
        found, [](const Found& f) { return EncodedEntryId(f.bytes.data()); },
        [](const Found& f) {
          return CatalogTimestamp::DecodeFrom(f.bytes.data() + EntryRecord::kUpdateDateOffset);
        });
    std::map<int32_t, SalvageReport::Duplicate> duplicates;
    for (size_t k = 0; k < found.size(); ++k) {
      const int32_t id = EncodedEntryId(found[k].bytes.data());
      const size_t kept = winner.at(id);
      if (k != kept) {
        SalvageReport::Duplicate& d = duplicates[id];
        d.id = id;
        d.kept_at = found[kept].offset;
        d.dropped_at.push_back(found[k].offset);
        continue;
      }
      (found[k].fate == ChunkFate::kLive ? report_.live_entries : report_.cut_off_entries)++;
      Table(kTagEntry).Append(found[k].bytes.data());
    }
    for (auto& [id, duplicate] : duplicates) report_.duplicates.push_back(std::move(duplicate));
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

  void BuildAttachments() {
    const std::vector<Found>& found = FoundOf(kTagAttachment);
    const auto link = Newest<int32_t>(
        found,
        [](const Found& f) { return AttachmentRecord::DecodeFrom(f.bytes.data()).entry_id; },
        [](const Found& f) { return AttachmentRecord::DecodeFrom(f.bytes.data()).updated; });
    const std::vector<const ChunkRecord*> ordinals = PdfOrdinals();
    std::set<size_t> linked;  // the attachment records kept, by index into found
    const RecordArray& entries = Table(kTagEntry);
    for (int i = 0; i < entries.Count(); ++i) {
      const EntryRecord entry = EntryAt(entries, i);
      const auto it = link.find(entry.id);
      std::string why;
      if (it == link.end()) {
        if (entry.file_size <= 0) continue;  // imported without bytes: nothing was lost
        why = "no attachment link to its PDF was found";
      } else {
        const int32_t ordinal = AttachmentRecord::DecodeFrom(found[it->second].bytes.data()).ordinal;
        if (ordinal >= 0 && static_cast<size_t>(ordinal) < ordinals.size() &&
            ordinals[ordinal] != nullptr && ordinals[ordinal]->header.length > 0) {
          linked.insert(it->second);
          continue;
        }
        why = "the chunk of its PDF (attachment " + std::to_string(ordinal) +
              ") was not recovered";
      }
      report_.without_pdf.push_back({entry.id, entry.title.Text(), why});
    }
    for (size_t k : linked) {
      const AttachmentRecord record = AttachmentRecord::DecodeFrom(found[k].bytes.data());
      links_.push_back({record, PdfChunk{ordinals[record.ordinal]}});
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
