#include "browser/catalog_document_host.h"

#include <QMdiSubWindow>

#include "platform/platform.h"

namespace veldra {

CatalogDocumentHost::CatalogDocumentHost() : document_(std::make_unique<CVeldraDocument>()) {}

CatalogDocumentHost::~CatalogDocumentHost() = default;

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

void CatalogDocumentHost::AttachView() { ++view_count_; }

void CatalogDocumentHost::DetachView() {
  if (--view_count_ <= 0) delete this;
}

}  // namespace veldra
