#include "search/index_plan.h"

#include <algorithm>
#include <memory>
#include <new>

#include "platform/platform.h"
#include "storage/catalog_table.h"
#include "storage/little_endian.h"

namespace veldra::search {
namespace {

void HashInteger(Sha256& hash, uint64_t value) {
  uint8_t bytes[8];
  coding::EncodeFixed32(bytes, static_cast<uint32_t>(value));
  coding::EncodeFixed32(bytes + 4, static_cast<uint32_t>(value >> 32));
  hash.Update(bytes, sizeof bytes);
}

}  // namespace

Digest EntryKeyOf(const uint8_t* encoded_entry, const AttachmentSpan& span) {
  Sha256 hash;
  hash.Update(EncodedEntryLastingBytes(encoded_entry));
  HashInteger(hash, static_cast<uint32_t>(EncodedEntryId(encoded_entry)));
  HashInteger(hash, static_cast<uint64_t>(span.offset));
  HashInteger(hash, static_cast<uint64_t>(span.length));
  return hash.Finish();
}

IndexPlan MakeIndexPlan(const CVeldraDocument& document) {
  IndexPlan plan;
  plan.catalog_path = document.path();
  // Each entry's first link, as AttachmentOrdinal finds it, in one walk of the links.
  std::unordered_map<int32_t, int> ordinal_of_entry;
  const RecordArray& links = document.attachments();
  for (int i = 0; i < links.Count(); ++i) {
    const AttachmentRecord link = AttachmentAt(links, i);
    ordinal_of_entry.emplace(link.entry_id, link.ordinal);
  }
  std::vector<AttachmentSpan> spans;
  if (!ordinal_of_entry.empty()) {
    plan.lists_complete = AttachmentSpans(document.path(), &spans);
  }
  const RecordArray& entries = document.entries();
  if (!HoldsRecords<EntryRecord>(entries)) return plan;
  for (int i = 0; i < entries.Count(); ++i) {
    const uint8_t* entry = entries.At(i);
    const int32_t id = EncodedEntryId(entry);
    const auto link = ordinal_of_entry.find(id);
    if (link == ordinal_of_entry.end()) continue;
    const int ordinal = link->second;
    if (ordinal < 0 || static_cast<size_t>(ordinal) >= spans.size() ||
        spans[static_cast<size_t>(ordinal)].length <= 0) {
      plan.unreachable.push_back(id);
      continue;
    }
    const AttachmentSpan& span = spans[static_cast<size_t>(ordinal)];
    plan.pdfs.push_back({id, ordinal, span, EntryKeyOf(entry, span)});
  }
  return plan;
}

std::optional<Digest> HashPdf(const std::string& catalog_path, const AttachmentSpan& span) {
  auto file = platform::Platform::Current().Open(catalog_path, platform::OpenMode::kRead);
  if (!file) return std::nullopt;
  std::unique_ptr<uint8_t[]> block(new (std::nothrow) uint8_t[kAttachmentBlockSize]);
  if (!block) return std::nullopt;
  Sha256 hash;
  for (int64_t done = 0; done < span.length;) {
    const size_t n = static_cast<size_t>(
        std::min<int64_t>(span.length - done, static_cast<int64_t>(kAttachmentBlockSize)));
    if (file->ReadAt(span.offset + done, block.get(), n) != static_cast<int64_t>(n)) {
      return std::nullopt;
    }
    hash.Update(block.get(), n);
    done += static_cast<int64_t>(n);
  }
  return hash.Finish();
}

ResolvedDigests ResolveDigests(const IndexPlan& plan, IndexStore& store) {
  ResolvedDigests resolved;
  std::vector<std::pair<Digest, Digest>> learned;
  for (const PlannedPdf& pdf : plan.pdfs) {
    std::optional<Digest> digest = store.DigestOfKey(pdf.key);
    if (!digest) {
      ++resolved.hashed;
      digest = HashPdf(plan.catalog_path, pdf.span);
      if (digest) learned.emplace_back(pdf.key, *digest);
    }
    resolved.digests.push_back(digest);
  }
  if (!learned.empty()) resolved.problem = store.RememberKeys(learned);
  return resolved;
}

EntryTexts LookUpEntryTexts(const IndexPlan& plan, IndexStore& store) {
  EntryTexts texts;
  texts.total = static_cast<int>(plan.pdfs.size());
  for (const PlannedPdf& pdf : plan.pdfs) {
    const std::optional<Digest> digest = store.DigestOfKey(pdf.key);
    if (!digest) continue;
    const std::optional<PdfRecord> record = store.FindPdf(*digest);
    if (!record) continue;
    ++texts.indexed;
    if (record->state == PdfState::kText) texts.row_of_entry.emplace(pdf.entry_id, record->id);
  }
  return texts;
}

}  // namespace veldra::search
