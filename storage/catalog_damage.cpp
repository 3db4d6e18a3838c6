#include "storage/catalog_damage.h"

#include <algorithm>
#include <cstdio>
#include <map>
#include <unordered_map>

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
  const auto find = [&](int32_t link) -> const ChunkRecord* {
    const uint32_t at = AsOffset(link);
    auto it = std::lower_bound(chunks.begin(), chunks.end(), at,
                               [](const ChunkRecord& c, uint32_t o) { return c.offset < o; });
    return it != chunks.end() && it->offset == at ? &*it : nullptr;
  };
  std::vector<int64_t> lengths;
  if (chunks.empty()) return lengths;
  const ChunkRecord* c = &chunks.front();
  for (size_t steps = 0; c != nullptr && c->header.tag != kTagAttachmentData; ++steps) {
    c = steps < chunks.size() && AsOffset(c->header.next_head) != kNoOffset
            ? find(c->header.next_head)
            : nullptr;
  }
  while (c != nullptr && c->header.tag == kTagAttachmentData && lengths.size() < chunks.size()) {
    lengths.push_back(c->header.length);
    c = AsOffset(c->header.next_in_tag) != kNoOffset ? find(c->header.next_in_tag) : nullptr;
  }
  return lengths;
}

}  // namespace

// No record id is negative: the negative ids an interrupted write leaves are read away with
// its other leftovers (storage/interrupted_rewrite.h); any other is damage, and the record
// behind it could be reached by no one.
std::vector<Finding> JudgeIds(const CVeldraDocument& document) {
  std::vector<Finding> found;
  std::vector<Finding>* out = &found;
  for (const CatalogTable& t : kCatalogTables) {
    const RecordArray& records = *document.table(t.tag);
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
  const RecordArray& entries = document.entries();
  bool ascending = true;  // as they are mostly stored: then no id is held twice
  for (int i = 1; ascending && i < entries.Count(); ++i) {
    ascending = EncodedEntryId(entries.At(i - 1)) < EncodedEntryId(entries.At(i));
  }
  if (ascending) return found;
  std::map<int32_t, int> holders;
  for (int i = 0; i < entries.Count(); ++i) ++holders[EncodedEntryId(entries.At(i))];
  for (const auto& [id, count] : holders) {
    if (count > 1) {
      Damage(out, "entry id " + Num(id) + " is held by " + Num(count) + " entries");
    }
  }
  return found;
}

namespace {

// Each attachment link names an entry the catalog holds and a PDF chunk that is there and
// not empty, and no entry or PDF is named by two links: an entry finds its PDF by the first
// link that names it.
void JudgeLinks(const ContainerReport& container, const CVeldraDocument& document,
                std::vector<Finding>* out) {
  const std::vector<int64_t> lengths = PdfLengths(container);
  std::unordered_map<int32_t, int> entry_index;
  const RecordArray& entries = document.entries();
  for (int i = 0; i < entries.Count(); ++i) entry_index.emplace(EncodedEntryId(entries.At(i)), i);
  std::unordered_map<int32_t, int32_t> link_of_entry;  // entry id -> link id
  std::unordered_map<int32_t, int32_t> link_of_pdf;    // ordinal -> link id
  const RecordArray& links = document.attachments();
  for (int i = 0; i < links.Count(); ++i) {
    const AttachmentRecord link = AttachmentAt(links, i);
    const std::string what = "attachment record " + Num(link.id) + " (entry " +
                             Num(link.entry_id) + ")";
    if (link.ordinal < 0 || link.ordinal >= static_cast<int64_t>(lengths.size())) {
      Damage(out, what + " points at attachment " + Num(link.ordinal) + ", but the file holds " +
                      Num(static_cast<int64_t>(lengths.size())));
    } else if (lengths[link.ordinal] <= 0) {
      Damage(out, what + " points at an empty attachment");
    } else if (const auto [it, fresh] = link_of_pdf.emplace(link.ordinal, link.id); !fresh) {
      Damage(out, "attachment records " + Num(it->second) + " and " + Num(link.id) +
                      " both point at attachment " + Num(link.ordinal));
    }
    if (entry_index.count(link.entry_id) == 0) {
      Damage(out, what + " names an entry the catalog does not hold");
    } else if (const auto [it, fresh] = link_of_entry.emplace(link.entry_id, link.id); !fresh) {
      Damage(out, "entry " + Num(link.entry_id) + " is named by attachment records " +
                      Num(it->second) + " and " + Num(link.id));
    }
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
  for (Finding& finding : JudgeIds(document)) out.push_back(std::move(finding));
  JudgeLinks(container, document, &out);
  return out;
}

std::string FirstDamage(const std::vector<Finding>& findings) {
  for (const Finding& finding : findings) {
    if (finding.kind == FindingKind::kDamage) return finding.text;
  }
  return std::string();
}

}  // namespace veldra
