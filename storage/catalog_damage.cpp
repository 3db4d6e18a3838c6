#include "storage/catalog_damage.h"

#include <algorithm>
#include <array>
#include <cstdio>

#include "storage/catalog_coding.h"
#include "storage/catalog_document.h"
#include "storage/catalog_table.h"
#include "storage/catalog_table_list.h"
#include "storage/catalog_tags.h"

namespace veldra {

using chunk_format::AsOffset;
using chunk_format::kNoOffset;

namespace {

std::string Num(int64_t v) { return std::to_string(v); }

void Damage(std::vector<Finding>* out, std::string text) {
  out->push_back({FindingKind::kDamage, std::move(text)});
}

// Every live chunk carries a tag the catalog uses, with that tag's record size. A chunk no
// list reaches is not read by anyone, whatever it holds.
void JudgeChunkTags(const ContainerReport& container, std::vector<Finding>* out) {
  for (const ChunkRecord& chunk : container.chunks) {
    const ChunkTag tag = chunk.header.tag;
    if (tag == kRootTag || tag == kTagAttachmentData || !chunk.live) continue;
    const auto expected = static_cast<int64_t>(CatalogRecordSize(tag));
    const std::string where = "chunk at " + Num(chunk.offset);
    if (expected == 0) {
      Damage(out, where + " has the tag '" + TagText(tag) + "', which a catalog does not use");
    } else if (chunk.header.length != expected) {
      Damage(out, where + " ('" + TagText(tag) + "') holds " + Num(chunk.header.length) +
                      " bytes; its records are " + Num(expected) + " bytes");
    }
  }
}

// The lengths of the "ATTD" chunks in list order, as far as the list can be walked among the
// chunks met in file order (a broken list is the container's finding).
std::vector<int64_t> PdfLengths(const ContainerReport& container) {
  const std::vector<ChunkRecord>& chunks = container.chunks;
  // The next chunk of a list mostly lies a few chunks further on: those are looked at first.
  const auto find = [&](int32_t link, const ChunkRecord* from) -> const ChunkRecord* {
    const uint32_t at = AsOffset(link);
    for (const ChunkRecord* c = from + 1; c < chunks.data() + chunks.size() && c < from + 9; ++c) {
      if (c->offset == at) return c;
    }
    auto it = std::lower_bound(chunks.begin(), chunks.end(), at,
                               [](const ChunkRecord& c, uint32_t o) { return c.offset < o; });
    return it != chunks.end() && it->offset == at ? &*it : nullptr;
  };
  std::vector<int64_t> lengths;
  if (chunks.empty()) return lengths;
  const ChunkRecord* c = &chunks.front();
  for (size_t steps = 0; c != nullptr && c->header.tag != kTagAttachmentData; ++steps) {
    c = steps < chunks.size() && AsOffset(c->header.next_head) != kNoOffset
            ? find(c->header.next_head, c)
            : nullptr;
  }
  while (c != nullptr && c->header.tag == kTagAttachmentData && lengths.size() < chunks.size()) {
    lengths.push_back(c->header.length);
    c = AsOffset(c->header.next_in_tag) != kNoOffset ? find(c->header.next_in_tag, c) : nullptr;
  }
  return lengths;
}

std::vector<Finding> IdFindings(const CVeldraDocument& document,
                                const std::vector<int32_t>& entry_ids) {
  std::vector<Finding> found;
  std::vector<Finding>* out = &found;
  for (const CatalogTable& t : kCatalogTables) {
    const RecordArray& records = *document.table(t.tag);
    // The entry ids come sorted: the first tells whether any is negative.
    if (t.tag == kTagEntry && (entry_ids.empty() || entry_ids.front() >= 0)) continue;
    for (int i = 0; i < records.Count(); ++i) {
      const int32_t id = coding::DecodeI32(records.At(i));
      if (id >= 0) continue;
      Damage(out, "record " + Num(i) + " of table '" + TagText(t.tag) + "' has the id " + Num(id) +
                      ", and no copy of it elsewhere in the table shows it to be what an "
                      "interrupted write left");
    }
  }
  // Each entry id may be held by one entry only: the windows and commands find an entry by
  // its id, so a second entry of the same id could never be reached. One line per id.
  for (auto it = entry_ids.begin(); it != entry_ids.end();) {
    const auto end = std::upper_bound(it, entry_ids.end(), *it);
    if (end - it > 1) {
      Damage(out, "entry id " + Num(*it) + " is held by " + Num(end - it) + " entries");
    }
    it = end;
  }
  return found;
}

}  // namespace

// No record id is negative: the negative ids an interrupted write leaves are read away with
// its other leftovers (storage/interrupted_rewrite.h); any other is damage, and the record
// behind it could be reached by no one.
std::vector<Finding> JudgeIds(const CVeldraDocument& document) {
  return IdFindings(document, SortedEntryIds(document.entries()));
}

namespace {

// The values, each with the link that holds it, that two links share: (value, first link's
// id, second link's id). Links mostly come in ascending order of both: then none.
std::vector<std::array<int32_t, 3>> Shared(std::vector<std::pair<int32_t, int32_t>> values) {
  std::vector<std::array<int32_t, 3>> shared;
  const auto not_rising = [](const auto& a, const auto& b) { return a.first >= b.first; };
  if (std::adjacent_find(values.begin(), values.end(), not_rising) == values.end()) return shared;
  std::stable_sort(values.begin(), values.end(),
                   [](const auto& a, const auto& b) { return a.first < b.first; });
  for (size_t i = 1; i < values.size(); ++i) {
    if (values[i].first == values[i - 1].first) {
      shared.push_back({values[i].first, values[i - 1].second, values[i].second});
    }
  }
  return shared;
}

// Each attachment link names an entry the catalog holds and a PDF chunk that is there and
// not empty, and no entry or PDF is named by two links: an entry finds its PDF by the first
// link that names it.
void JudgeLinks(const ContainerReport& container, const CVeldraDocument& document,
                const std::vector<int32_t>& held, std::vector<Finding>* out) {
  const std::vector<int64_t> lengths = PdfLengths(container);
  const RecordArray& links = document.attachments();
  std::vector<std::pair<int32_t, int32_t>> entries_named, pdfs_named;  // (value, link id)
  for (int i = 0; i < links.Count(); ++i) {
    const uint8_t* record = links.At(i);
    const int32_t id = coding::DecodeI32(record);
    const int32_t entry = coding::DecodeI32(record + 4);
    const int32_t ordinal = coding::DecodeI32(record + 8);
    const auto what = [&] {
      return "attachment record " + Num(id) + " (entry " + Num(entry) + ")";
    };
    if (ordinal < 0 || ordinal >= static_cast<int64_t>(lengths.size())) {
      Damage(out, what() + " points at attachment " + Num(ordinal) + ", but the file holds " +
                      Num(static_cast<int64_t>(lengths.size())));
    } else if (lengths[ordinal] <= 0) {
      Damage(out, what() + " points at an empty attachment");
    } else {
      pdfs_named.emplace_back(ordinal, id);
    }
    if (!std::binary_search(held.begin(), held.end(), entry)) {
      Damage(out, what() + " names an entry the catalog does not hold");
    } else {
      entries_named.emplace_back(entry, id);
    }
  }
  for (const auto& [ordinal, first, second] : Shared(std::move(pdfs_named))) {
    Damage(out, "attachment records " + Num(first) + " and " + Num(second) +
                    " both point at attachment " + Num(ordinal));
  }
  for (const auto& [entry, first, second] : Shared(std::move(entries_named))) {
    Damage(out, "entry " + Num(entry) + " is named by attachment records " + Num(first) +
                    " and " + Num(second));
  }
}

}  // namespace

std::string TagText(ChunkTag tag) {
  if (tag == kRootTag) return "root";
  std::string text;
  for (int shift = 24; shift >= 0; shift -= 8) {
    const char c = static_cast<char>((static_cast<uint32_t>(tag) >> shift) & 0xFF);
    if (c < 0x21 || c > 0x7E) {
      char hex[16];
      std::snprintf(hex, sizeof hex, "0x%08X", static_cast<uint32_t>(tag));
      return hex;
    }
    text += c;
  }
  return text;
}

std::vector<Finding> JudgeCatalog(const ContainerReport& container,
                                  const CVeldraDocument& document) {
  std::vector<Finding> out = container.findings;
  JudgeChunkTags(container, &out);
  if (document.load_status() == CatalogLoadStatus::kIncomplete ||
      document.load_status() == CatalogLoadStatus::kNotContainer) {
    Damage(&out, "the catalog's tables cannot all be read");
  }
  for (ChunkTag tag : document.tables_with_leftovers()) {
    out.push_back({FindingKind::kInterruptedWrite,
                   "table '" + TagText(tag) +
                       "' holds records left by an interrupted write; the next change to the "
                       "catalog drops them"});
  }
  const std::vector<int32_t> entry_ids = SortedEntryIds(document.entries());
  for (Finding& finding : IdFindings(document, entry_ids)) out.push_back(std::move(finding));
  JudgeLinks(container, document, entry_ids, &out);
  return out;
}

std::vector<int32_t> SortedEntryIds(const RecordArray& entries) {
  std::vector<int32_t> ids(static_cast<size_t>(entries.Count()));
  for (int i = 0; i < entries.Count(); ++i) ids[static_cast<size_t>(i)] = EncodedEntryId(entries.At(i));
  if (!std::is_sorted(ids.begin(), ids.end())) std::sort(ids.begin(), ids.end());
  return ids;
}

std::string FirstDamage(const std::vector<Finding>& findings) {
  for (const Finding& finding : findings) {
    if (finding.kind == FindingKind::kDamage) return finding.text;
  }
  return std::string();
}

}  // namespace veldra
