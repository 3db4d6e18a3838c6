#include "commands/catalog_check.h"

#include <cstdint>
#include <cstdio>
#include <map>

#include "storage/catalog_document.h"
#include "storage/catalog_table.h"
#include "storage/catalog_table_list.h"
#include "storage/catalog_tags.h"
#include "storage/chunk_file.h"
#include "storage/chunk_inspect.h"

namespace veldra::commands {
namespace {

// Every chunk of a known table must have its table's record size.
void CheckRecordSizes(const ContainerReport& report, std::vector<std::string>* problems) {
  for (const ChunkRecord& chunk : report.chunks) {
    const ChunkTag tag = chunk.header.tag;
    if (tag == kRootTag || tag == kTagAttachmentData || !chunk.live) continue;
    const int64_t expected = static_cast<int64_t>(CatalogRecordSize(tag));
    const std::string where = "chunk at " + std::to_string(chunk.offset);
    if (expected == 0) {
      problems->push_back(where + " has the tag '" + TagText(tag) +
                          "', which a catalog does not use");
    } else if (chunk.header.length != expected) {
      problems->push_back(where + " ('" + TagText(tag) + "') holds " +
                          std::to_string(chunk.header.length) + " bytes; its records are " +
                          std::to_string(expected) + " bytes");
    }
  }
}

// Each entry id may be held by one entry only: the windows and commands find an entry by
// its id, so a second entry of the same id could never be reached. One line per id.
void CheckEntryIds(const CVeldraDocument& document, std::vector<std::string>* problems) {
  std::map<int32_t, int> holders;
  const RecordArray& entries = document.entries();
  for (int i = 0; i < entries.Count(); ++i) ++holders[EntryAt(entries, i).id];
  for (const auto& [id, count] : holders) {
    if (count > 1) {
      problems->push_back("entry id " + std::to_string(id) + " is held by " +
                          std::to_string(count) + " entries");
    }
  }
}

// Each attachment record's ordinal must name a live, non-empty "ATTD" chunk.
void CheckAttachments(const std::string& path, const CVeldraDocument& document,
                      std::vector<std::string>* problems) {
  // The "ATTD" chunks in list order, as far as the list can be walked (a broken list is
  // the verifier's to report).
  std::vector<int64_t> lengths;
  ChunkFile file;
  if (file.Open(path, kChunkModeReadOnly) == kChunkOk) {
    for (int rc = file.FindFirst(kTagAttachmentData); rc == kChunkOk; rc = file.FindNext()) {
      lengths.push_back(file.CurrentLength());
    }
  }
  file.Close();
  const RecordArray& attachments = document.attachments();
  for (int i = 0; i < attachments.Count(); ++i) {
    const AttachmentRecord record = AttachmentAt(attachments, i);
    const std::string what = "attachment record " + std::to_string(record.id) + " (entry " +
                             std::to_string(record.entry_id) + ")";
    if (record.ordinal < 0 || record.ordinal >= static_cast<int64_t>(lengths.size())) {
      problems->push_back(what + " points at attachment " + std::to_string(record.ordinal) +
                          ", but the file holds " + std::to_string(lengths.size()));
    } else if (lengths[record.ordinal] <= 0) {
      problems->push_back(what + " points at an empty attachment");
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

bool CheckCatalog(const std::string& path, std::vector<std::string>* problems) {
  const size_t before = problems->size();
  std::vector<std::string> container_problems;  // VerifyContainer replaces what it is given
  VerifyContainer(path, &container_problems);
  problems->insert(problems->end(), container_problems.begin(), container_problems.end());
  ContainerReport report;
  if (!InspectContainer(path, &report)) {
    // Not a container at all: the verifier has said why.
    if (problems->size() == before) problems->push_back("the file is not a container");
    return false;
  }
  CheckRecordSizes(report, problems);
  CVeldraDocument document;
  document.Load(path);
  if (!document.read_complete()) {
    problems->push_back("the catalog's tables cannot all be read");
  }
  for (ChunkTag tag : document.tables_with_leftovers()) {
    problems->push_back("table '" + TagText(tag) +
                        "' holds records left by an interrupted write; the next change to the "
                        "catalog drops them");
  }
  CheckEntryIds(document, problems);
  CheckAttachments(path, document, problems);
  return problems->size() == before;
}

}  // namespace veldra::commands
