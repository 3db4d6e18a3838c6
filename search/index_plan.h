// Which PDFs of a catalog the index is to hold, and how each entry finds its PDF's text.
//
// The index keys a text by the SHA-256 of the PDF's bytes (its digest): identical PDFs in a
// moved, copied, compacted or salvaged catalog share it. So that a catalog need not be
// hashed at every open, the index also remembers each entry's key -> digest, the key being
// the SHA-256 of what identifies the PDF in one catalog file: the entry's lasting bytes
// (import path, system, machine, creation stamp), its id, and the offset and length of the
// "ATTD" chunk. A key read from another file (replaced under the same name, compacted to
// other offsets, with a link that now names another chunk) misses and the PDF is hashed
// again: a miss costs a read, never a wrong text.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "search/digest.h"
#include "search/index_store.h"
#include "storage/catalog_document.h"
#include "storage/catalog_files.h"

namespace veldra::search {

struct PlannedPdf {
  int32_t entry_id = 0;
  int ordinal = -1;  // of the "ATTD" chunk
  AttachmentSpan span;
  Digest key{};
};

struct IndexPlan {
  std::string catalog_path;  // CP932
  std::vector<PlannedPdf> pdfs;  // the entries with a PDF, in table order
  // Entries whose link names a chunk the catalog's "ATTD" list does not reach (damage).
  std::vector<int32_t> unreachable;
  bool lists_complete = true;  // the "ATTD" list was walked to its end
};

// The plan of the document's own file: one walk of its "ATTD" list, no PDF read.
IndexPlan MakeIndexPlan(const CVeldraDocument& document);

// The key of the PDF of the encoded entry whose chunk lies at span.
Digest EntryKeyOf(const uint8_t* encoded_entry, const AttachmentSpan& span);

// The SHA-256 of the span's bytes in the catalog file, read in blocks of 1 MiB; nullopt
// when they cannot be read.
std::optional<Digest> HashPdf(const std::string& catalog_path, const AttachmentSpan& span);

struct ResolvedDigests {
  std::vector<std::optional<Digest>> digests;  // per plan.pdfs; nullopt: unreadable
  int hashed = 0;  // PDFs whose key was unknown, so their bytes were read
  StoreProblem problem = StoreProblem::kNone;
};

// The digest of every planned PDF: the known keys from the store, the rest by hashing the
// PDF (the new keys are remembered in the store).
ResolvedDigests ResolveDigests(const IndexPlan& plan, IndexStore& store);

// Which full-text row holds each entry's text, as the index knows it now (keys only: a PDF
// whose key is unknown counts as not indexed).
struct EntryTexts {
  std::unordered_map<int32_t, int64_t> row_of_entry;  // entries whose text the index holds
  int indexed = 0;  // PDFs of the plan the index knows: with text, without, or failed
  int total = 0;    // PDFs of the plan
};
EntryTexts LookUpEntryTexts(const IndexPlan& plan, IndexStore& store);

}  // namespace veldra::search
