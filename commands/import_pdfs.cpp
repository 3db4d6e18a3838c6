#include "commands/import_pdfs.h"

#include "platform/file_search.h"
#include "platform/platform.h"
#include "storage/catalog_files.h"
#include "storage/catalog_table.h"
#include "storage/catalog_tags.h"
#include "storage/chunk_file.h"
#include "storage/entry_text.h"

namespace veldra::commands {
namespace {

using platform::Platform;

// AttachPdf's two steps on the catalog kept open, whose "ATTD" count is known. kNone when
// the bytes were stored, else why not (with the system's cause in *cause).
ImportFailure AttachToOpenCatalog(ChunkFile& catalog, int ordinal, int32_t entry_id,
                                  const std::string& pdf_path, CVeldraDocument& document,
                                  platform::Failure* cause) {
  platform::SetLastFailure(platform::Failure::kNone);
  PdfChunkFailure why = PdfChunkFailure::kNone;
  if (!AppendPdfChunk(catalog, pdf_path, &why)) {
    *cause = platform::LastFailure();
    switch (why) {
      case PdfChunkFailure::kEmpty: return ImportFailure::kEmpty;
      case PdfChunkFailure::kTooLarge: return ImportFailure::kTooLarge;
      case PdfChunkFailure::kUnreadable: return ImportFailure::kUnreadable;
      default: break;
    }
    if (*cause == platform::Failure::kTooLarge) return ImportFailure::kTooLarge;
    return *cause == platform::Failure::kNoSpace ? ImportFailure::kNoSpace
                                                 : ImportFailure::kWriteFailed;
  }
  if (AppendAttachmentLink(document.attachments(), document.counters(), entry_id, ordinal) != 0) {
    return ImportFailure::kWriteFailed;
  }
  return ImportFailure::kNone;
}

// A name the system listed with "?" for what CP932 cannot hold reaches nothing.
bool ReachesNothing(const std::string& path) {
  return path.find('?') != std::string::npos &&
         Platform::Current().KindOf(path) == platform::FileKind::kMissing;
}

// Only a regular file is read as a companion: a pipe named like one would hold the import.
bool HasCompanionFile(const std::string& pdf_path) {
  return Platform::Current().KindOf(CompanionPath(pdf_path)) == platform::FileKind::kRegularFile;
}

// A pipe, a device or a folder with the companion's name: it is not read, and that is told.
bool HasUnreadableCompanionKind(const std::string& pdf_path) {
  const platform::FileKind kind = Platform::Current().KindOf(CompanionPath(pdf_path));
  return kind == platform::FileKind::kOther || kind == platform::FileKind::kDirectory;
}

// Whether the counters can issue every id the import of pdf_paths may take: an entry and a
// link per PDF, the triple's category, one category per companion file.
bool IdsLeftFor(const CVeldraDocument& document, const std::vector<std::string>& pdf_paths,
                const CategoryTriple& triple) {
  const auto n = static_cast<int64_t>(pdf_paths.size());
  int64_t categories = document.CategoryExists(triple[0], triple[1], triple[2]) ? 0 : 1;
  for (const std::string& path : pdf_paths) categories += HasCompanionFile(path) ? 1 : 0;
  const IdCounterTable& counters = document.counters();
  return IdsLeft(counters, kTagEntry, kCounterKeyEntry) >= n &&
         IdsLeft(counters, kTagAttachment, kCounterKeyAttachment) >= n &&
         IdsLeft(counters, kTagCategory, kCounterKeyCategory) >= categories;
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
               const CategoryTriple& triple, ImportReport* report,
               const ImportProgress& progress) {
  *report = ImportReport();
  if (!document.writable()) return kImportIncomplete;
  std::vector<std::string> unnamable;
  for (const std::string& path : pdf_paths) {
    if (ReachesNothing(path)) unnamable.push_back(path);
  }
  // Nothing at all could be reached: refused as a whole, the catalog untouched.
  if (!pdf_paths.empty() && unnamable.size() == pdf_paths.size()) {
    report->unnamable = std::move(unnamable);
    return kImportUnnamable;
  }
  if (!IdsLeftFor(document, pdf_paths, triple)) return kImportIdsExhausted;
  platform::SetLastFailure(platform::Failure::kNone);
  ChunkFile catalog;
  int attachments = -1;
  if (catalog.Open(document.path(), kChunkModeReadWrite) == kChunkOk) {
    attachments = CountAttachmentChunks(catalog);
  }
  if (attachments < 0) {
    report->catalog_cause = platform::LastFailure();
    return kImportCannotOpen;
  }

  // The triple's category comes before those of the companions read below.
  bool triple_added = false;
  for (const std::string& path : pdf_paths) {
    if (!triple_added && !HasCompanionFile(path) &&
        Platform::Current().KindOf(path) == platform::FileKind::kRegularFile) {
      AddCategoryOnce(document, triple);
      triple_added = true;
    }
  }
  for (size_t i = 0; i < pdf_paths.size(); ++i) {
    const std::string& path = pdf_paths[i];
    if (progress && !progress(i, pdf_paths.size(), path)) {
      report->stopped = true;
      break;
    }
    ImportedPdf imported;
    imported.path = path;
    const platform::FileKind kind = Platform::Current().KindOf(path);
    if (kind == platform::FileKind::kOther || kind == platform::FileKind::kDirectory) {
      imported.failure = ImportFailure::kNotRegularFile;
    } else if (ReachesNothing(path)) {
      imported.failure = ImportFailure::kUnnamable;
    }
    if (imported.failure != ImportFailure::kNone) {  // skipped: no entry
      report->imported.push_back(std::move(imported));
      continue;
    }
    if (HasUnreadableCompanionKind(path)) {
      imported.companion_cause = platform::Failure::kNotRegularFile;
    }
    EntryRecord entry;
    imported.from_companion =
        HasCompanionFile(path) && ReadEntryText(&entry, CompanionPath(path), document);
    if (!imported.from_companion) {
      entry = EntryRecord();
      NewEntryRecord(document.counters(), path, triple[0], triple[1], triple[2], &entry);
      if (!triple_added) AddCategoryOnce(document, triple);  // an unreadable companion
      triple_added = true;
    }
    imported.entry_id = entry.id;
    AppendRecord(document.entries(), entry);
    imported.failure =
        AttachToOpenCatalog(catalog, attachments, entry.id, path, document, &imported.cause);
    imported.attached = imported.failure == ImportFailure::kNone;
    if (imported.attached) ++attachments;
    report->imported.push_back(std::move(imported));
  }
  catalog.Close();
  document.RebuildLevelNames();

  platform::SetLastFailure(platform::Failure::kNone);
  report->save_result = document.SaveTables(document.path());
  if (report->save_result != kSaveOk) report->save_cause = platform::LastFailure();
  return report->save_result == kSaveOk ? kImportOk : kImportSaveFailed;
}

int CollectPdfsBelow(const std::string& folder, std::vector<std::string>* out) {
  std::vector<std::string> found;
  std::vector<std::string> unnamable;
  if (platform::EnumerateFilesByExtension(folder, "pdf", &found, &unnamable) != 0) {
    return kCollectCannotSearch;
  }
  out->insert(out->end(), found.begin(), found.end());
  out->insert(out->end(), unnamable.begin(), unnamable.end());
  return kCollectOk;
}

}  // namespace veldra::commands
