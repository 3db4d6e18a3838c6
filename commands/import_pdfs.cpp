#include "commands/import_pdfs.h"

#include "platform/file_search.h"
#include "platform/platform.h"
#include "storage/catalog_files.h"
#include "storage/catalog_table.h"
#include "storage/chunk_file.h"
#include "storage/entry_text.h"

namespace veldra::commands {
namespace {

using platform::Platform;

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
    // AttachPdf's two steps on the catalog kept open, whose "ATTD" count is known.
    imported.attached =
        AppendPdfChunk(catalog, path) &&
        AppendAttachmentLink(document.attachments(), document.counters(), entry.id,
                             attachments) == 0;
    if (imported.attached) ++attachments;
    report->imported.push_back(std::move(imported));
  }
  catalog.Close();
  document.RebuildLevelNames();

  report->save_result = document.SaveTables(document.path());
  return report->save_result == kSaveOk ? kImportOk : kImportSaveFailed;
}

int CollectPdfsBelow(const std::string& folder, std::vector<std::string>* out,
                     std::vector<std::string>* unnamable) {
  std::vector<std::string> found;
  std::vector<std::string> bad;
  if (platform::EnumerateFilesByExtension(folder, "pdf", &found, &bad) != 0) {
    return kCollectCannotSearch;
  }
  if (!bad.empty()) {
    unnamable->insert(unnamable->end(), bad.begin(), bad.end());
    return kCollectUnnamable;
  }
  out->insert(out->end(), found.begin(), found.end());
  return kCollectOk;
}

}  // namespace veldra::commands
