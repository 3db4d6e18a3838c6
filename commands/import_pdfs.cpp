#include "commands/import_pdfs.h"

#include <limits>

#include "browser/environment_info.h"
#include "platform/platform.h"
#include "storage/catalog_files.h"
#include "storage/catalog_table.h"
#include "storage/catalog_tags.h"
#include "storage/chunk_file.h"
#include "storage/entry_text.h"

namespace veldra::commands {
namespace {

using platform::OpenMode;
using platform::Platform;


// AttachPdf on an open catalog whose "ATTD" count is known: appends the PDF's bytes in
// blocks and the link record. true when the bytes were stored.
bool AttachToOpenCatalog(ChunkFile& catalog, int ordinal, const EntryRecord& entry,
                         const std::string& pdf_path, CVeldraDocument& document) {
  auto pdf = Platform::Current().Open(pdf_path, OpenMode::kRead);
  const int64_t size = pdf ? pdf->Size() : -1;
  if (size <= 0 || size > std::numeric_limits<int32_t>::max()) return false;
  int64_t offset = 0;
  const int rc = catalog.AppendStream(kTagAttachmentData, size, [&](uint8_t* buf, size_t n) {
    if (pdf->ReadAt(offset, buf, n) != static_cast<int64_t>(n)) return false;
    offset += static_cast<int64_t>(n);
    return true;
  });
  if (rc != kChunkOk) return false;
  AttachmentRecord record;
  record.id = NextId(document.counters(), kTagAttachment, kCounterKeyAttachment);
  record.entry_id = entry.id;
  record.ordinal = ordinal;
  record.created = CatalogTimestamp::Now();
  record.updated = record.created;
  return AppendRecord(document.attachments(), record) == 0;
}

// Adds the category of triple unless the document has it already.
void AddCategoryOnce(CVeldraDocument& document, const CategoryTriple& triple) {
  if (!document.CategoryExists(triple[0], triple[1], triple[2])) {
    NewCategoryRecord(document.categories(), document.counters(), triple[0], triple[1],
                      triple[2]);
  }
}

}  // namespace

int ImportPdfs(CVeldraDocument& document, const std::vector<std::string>& pdf_paths,
               const CategoryTriple& triple, ImportReport* report) {
  *report = ImportReport();
  if (!document.writable()) return kImportIncomplete;
  ChunkFile catalog;
  if (catalog.Open(document.path(), kChunkModeReadWrite) != kChunkOk) return kImportCannotOpen;
  int attachments = CountAttachmentChunks(catalog);
  if (attachments < 0) return kImportCannotOpen;

  // The triple's category comes before those of the companions read below.
  bool triple_added = false;
  for (const std::string& path : pdf_paths) {
    if (!triple_added && !Platform::Current().FileExists(CompanionPath(path))) {
      AddCategoryOnce(document, triple);
      triple_added = true;
    }
  }
  for (const std::string& path : pdf_paths) {
    ImportedPdf imported;
    imported.path = path;
    EntryRecord entry;
    imported.from_companion = ReadEntryText(&entry, CompanionPath(path), document);
    if (!imported.from_companion) {
      entry = EntryRecord();
      NewEntryRecord(document.counters(), path, triple[0], triple[1], triple[2], &entry);
      if (!triple_added) AddCategoryOnce(document, triple);  // an unreadable companion
      triple_added = true;
    }
    imported.entry_id = entry.id;
    AppendRecord(document.entries(), entry);
    imported.attached = AttachToOpenCatalog(catalog, attachments, entry, path, document);
    if (imported.attached) ++attachments;
    report->imported.push_back(std::move(imported));
  }
  catalog.Close();
  document.RebuildLevelNames();

  report->save_result = document.SaveTables(document.path());
  return report->save_result == 0 ? kImportOk : kImportSaveFailed;
}

int CollectPdfsBelow(const std::string& folder, std::vector<std::string>* out,
                     std::vector<std::string>* unnamable) {
  std::vector<std::string> found;
  std::vector<std::string> bad;
  if (EnumerateFilesByExtension(folder, "pdf", &found, &bad) != 0) return kCollectCannotSearch;
  if (!bad.empty()) {
    unnamable->insert(unnamable->end(), bad.begin(), bad.end());
    return kCollectUnnamable;
  }
  out->insert(out->end(), found.begin(), found.end());
  return kCollectOk;
}

}  // namespace veldra::commands
