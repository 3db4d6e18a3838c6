#include "commands/import_pdfs.h"

#include "platform/file_search.h"
#include "storage/catalog_files.h"
#include "storage/catalog_table.h"
#include "storage/chunk_file.h"
#include "storage/entry_text.h"

namespace veldra::commands {

int ImportPdfs(CVeldraDocument& document, const std::vector<std::string>& pdf_paths,
               const CategoryTriple& triple, ImportReport* report) {
  *report = ImportReport();
  if (!document.writable()) return kImportIncomplete;
  ChunkFile catalog;
  if (catalog.Open(document.path(), kChunkModeReadWrite) != kChunkOk) return kImportCannotOpen;
  int attachments = CountAttachmentChunks(catalog);
  if (attachments < 0) return kImportCannotOpen;

  for (const std::string& path : pdf_paths) {
    ImportedPdf imported;
    imported.path = path;
    EntryRecord entry;
    imported.from_companion = ReadEntryText(&entry, CompanionPath(path), document);
    if (!imported.from_companion) {
      entry = EntryRecord();
      NewEntryRecord(document.counters(), path, triple[0], triple[1], triple[2], &entry);
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

int CollectPdfsBelow(const std::string& folder, std::vector<std::string>* out) {
  return platform::EnumerateFilesByExtension(folder, "pdf", out);
}

}  // namespace veldra::commands
