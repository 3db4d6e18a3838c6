#include "browser/catalog_document_host.h"

#include <QMdiSubWindow>
#include <QMetaObject>

#include "browser/dialog_service.h"
#include "commands/import_messages.h"
#include "platform/platform.h"

namespace veldra {

CatalogDocumentHost::CatalogDocumentHost()
    : document_(std::make_unique<CVeldraDocument>()),
      search_state_(new CatalogSearchState(this)),
      indexer_(new CatalogIndexer(search::IndexStore::DefaultPath(), std::string(), this)) {
  document_->set_save_observer([this](int result) { OnSaved(result); });
}

CatalogDocumentHost::~CatalogDocumentHost() {
  // The catalog is closing: the indexer's workers are killed now, before the document goes.
  indexer_->Cancel();
}

void CatalogDocumentHost::Open(const std::string& path) { document_->OpenCatalog(path); }

std::string CatalogDocumentHost::Title() const {
  const std::string& p = path();
  const size_t slash = p.rfind('/');
  return slash == std::string::npos ? p : p.substr(slash + 1);
}

bool CatalogDocumentHost::HoldsFile(const std::string& path) const {
  return path == this->path() || platform::Platform::Current().SameFile(path, this->path());
}

bool CatalogDocumentHost::loaded() const {
  return document_->load_status() != CatalogLoadStatus::kNotContainer;
}

QMdiSubWindow* CatalogDocumentHost::FindEntryWindow(int32_t entry_id) const {
  for (const EntryWindowItem& item : entry_windows_) {
    if (item.entry_id == entry_id && item.window) return item.window;
  }
  return nullptr;
}

QMdiSubWindow* CatalogDocumentHost::FindPdfWindow(int ordinal) const {
  for (const PdfWindowItem& item : pdf_windows_) {
    if (item.ordinal == ordinal && item.window) return item.window;
  }
  return nullptr;
}

void CatalogDocumentHost::OnSaved(int result) {
  emit DocumentSaved();
  if (result == kSaveOk) {
    save_failing_ = false;
    return;
  }
  // A catalog that may not be written was announced as such when it opened.
  if (save_failing_ || !document_->writable()) return;
  save_failing_ = true;
  queued_warning_ = result == kSaveSortLevelsFailed
                        ? commands::MessageSortOrderNotSaved(path(), platform::LastFailure())
                        : commands::MessageSaveFailed(path(), platform::LastFailure());
  // Shown once the command that saved has finished, never inside a move or a close.
  QMetaObject::invokeMethod(this, &CatalogDocumentHost::ShowQueuedWarnings, Qt::QueuedConnection);
}

void CatalogDocumentHost::ShowQueuedWarnings() {
  if (queued_warning_.empty()) return;
  const std::string text = std::move(queued_warning_);
  queued_warning_.clear();
  ShowWarningBox(text, browser_frame_);
}

void CatalogDocumentHost::AttachView() { ++view_count_; }

void CatalogDocumentHost::DetachView() {
  if (--view_count_ <= 0) delete this;
}

}  // namespace veldra
