// The import commands of the browser: one chosen PDF (Ctrl+1) and every PDF below a chosen
// folder (Ctrl+2); PDFs and folders dropped onto the browser go the batch's way. All call
// the import core that veldra-cli calls; the window's part is the dialogs, the remembered
// folders, the progress, the rebuilt lists and the messages.
#include <QMdiSubWindow>
#include <memory>
#include <string>
#include <vector>

#include "browser/catalog_document_host.h"
#include "browser/dialog_service.h"
#include "browser/main_window_view.h"
#include "browser/progress_dlg.h"
#include "browser/ui_text.h"
#include "commands/drop_plan.h"
#include "commands/import_messages.h"
#include "commands/import_pdfs.h"
#include "platform/path_parts.h"
#include "platform/platform.h"
#include "storage/catalog_document.h"
#include "storage/catalog_tags.h"
#include "storage/remembered_folder.h"

namespace veldra {

void CMainWindowView::OnPdfImport() {
  CVeldraDocument* doc = document();
  if (doc == nullptr || importing_) return;
  FileRequest request;
  request.kind = FileRequest::Kind::kOpen;
  request.filters = {{UiText("PDFファイル(*.pdf)"), "*.pdf"}};
  request.initial_folder = ReadRememberedFolder(doc, kTagFolderSingleImport);
  request.file_must_exist = true;
  request.owner = FrameWindow();
  std::string chosen;
  if (!DialogService::Current().ChooseFile(request, &chosen)) return;
  StoreRememberedFolder(doc, kTagFolderSingleImport, platform::FolderOfPath(chosen));
  // The selection flags go into the entries before the save the import ends with.
  SyncEntrySelectionFlags();
  ImportPaths({chosen}, nullptr);
}

void CMainWindowView::OnPdfBatchImport() {
  CVeldraDocument* doc = document();
  if (doc == nullptr || importing_) return;
  SyncEntrySelectionFlags();
  FolderRequest request;
  request.title = UiText("PDF一括取り込み");
  request.initial_folder = ReadRememberedFolder(doc, kTagFolderBatchImport);
  request.owner = FrameWindow();
  std::string folder;
  if (!DialogService::Current().ChooseFolder(request, &folder)) return;
  StoreRememberedFolder(doc, kTagFolderBatchImport, folder);
  ImportSources({{folder, /*folder=*/true}});
}

void CMainWindowView::ImportSources(const std::vector<commands::ImportSource>& sources) {
  std::vector<std::string> paths;
  for (const commands::ImportSource& source : sources) {
    if (!source.folder) {
      paths.push_back(source.path);
      continue;
    }
    const std::string& folder = source.path;
    platform::SetLastFailure(platform::Failure::kNone);
    if (commands::CollectPdfsBelow(folder, &paths) != commands::kCollectOk) {
      ShowWarningBox(commands::MessageCannotSearchFolder(folder, platform::LastFailure()),
                     FrameWindow());
      return;
    }
  }
  ProgressRequest progress_request;
  progress_request.title = UiText("PDF一括取り込み");
  progress_request.total = static_cast<int>(paths.size());
  progress_request.owner = FrameWindow();
  ImportPaths(paths, DialogService::Current().StartProgress(progress_request));
}

void CMainWindowView::ImportPaths(const std::vector<std::string>& paths,
                                  std::unique_ptr<ProgressReporter> progress) {
  CVeldraDocument* doc = document();
  importing_ = true;
  const CategoryTriple triple = ReadCategorySelection();
  commands::ImportProgress step;
  if (progress != nullptr) {
    step = [reporter = progress.get()](size_t done, size_t total, const std::string& next) {
      return reporter->Step(static_cast<int>(done), ImportProgressLabel(done, total, next));
    };
  }
  commands::ImportReport report;
  const int rc = commands::ImportPdfs(*doc, paths, triple, &report, step);
  progress.reset();  // the progress goes before any message
  importing_ = false;

  std::string refusal;
  switch (rc) {
    case commands::kImportIncomplete:
      refusal = commands::MessageCatalogReadOnly();
      break;
    case commands::kImportUnnamable:
      refusal = commands::MessageUnnamableNames(report.unnamable);
      break;
    case commands::kImportCannotOpen:
      refusal = commands::MessageCatalogNotWritable(doc->path(), report.catalog_cause);
      break;
    case commands::kImportIdsExhausted:
      refusal = commands::MessageImportIdsExhausted();
      break;
    default:
      break;
  }
  if (!refusal.empty()) {
    ShowWarningBox(refusal, FrameWindow());
    return;
  }
  RefreshEntryList();
  RebuildCategoryLists();
  host()->indexer().Update(*doc);  // the new PDFs' texts are extracted next
  // A failed save says so first (once), then the files that did not go in.
  host()->ShowQueuedWarnings();
  const std::string failures = commands::MessageImportFailures(report);
  if (!failures.empty()) ShowWarningBox(failures, FrameWindow());
}

}  // namespace veldra
