// Opens the detail windows of an entry (its property window and its PDF viewer) for a
// catalog. The application provides it; the browser uses it to reopen, at start-up, the
// windows that were open when the catalog was last closed, and the search window to show a
// hit.
#pragma once

#include <cstdint>

class QMdiSubWindow;
class QString;

namespace veldra {

class CatalogDocumentHost;

class DetailWindowOpener {
 public:
  virtual ~DetailWindowOpener() = default;
  // The entry's property window, opened or brought forward; nullptr when it cannot be shown.
  virtual QMdiSubWindow* OpenEntryWindow(CatalogDocumentHost* host, int32_t entry_id) = 0;
  // The entry's PDF viewer for the attachment ordinal; nullptr when it cannot be shown.
  virtual QMdiSubWindow* OpenPdfWindow(CatalogDocumentHost* host, int32_t entry_id,
                                       int ordinal) = 0;
  // The viewer as OpenPdfWindow shows it, then at page (from 1) with every occurrence of
  // text (a search hit's original text) on it highlighted.
  virtual QMdiSubWindow* OpenPdfWindowAtHit(CatalogDocumentHost* host, int32_t entry_id,
                                            int ordinal, const QString& text, int page) = 0;
};

}  // namespace veldra
