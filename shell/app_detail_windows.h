// The application's way of opening an entry's detail windows, for the browser: the PDF
// viewer through ShowPdfViewer. The property window is not part of the application yet:
// OpenEntryWindow opens nothing and returns nullptr.
#pragma once

#include "browser/detail_window_opener.h"

namespace veldra {

class PdfWindowTemplate;

class AppDetailWindows : public DetailWindowOpener {
 public:
  explicit AppDetailWindows(PdfWindowTemplate* pdf_template) : pdf_template_(pdf_template) {}

  QMdiSubWindow* OpenEntryWindow(CatalogDocumentHost* host, int32_t entry_id) override;
  QMdiSubWindow* OpenPdfWindow(CatalogDocumentHost* host, int32_t entry_id, int ordinal) override;
  QMdiSubWindow* OpenPdfWindowAtHit(CatalogDocumentHost* host, int32_t entry_id, int ordinal,
                                    const QString& text, int page) override;

 private:
  PdfWindowTemplate* pdf_template_;
};

}  // namespace veldra
