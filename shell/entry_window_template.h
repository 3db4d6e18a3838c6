// EntryWindowTemplate: makes property windows for a catalog that is already open. It never
// opens documents; each window it makes shares the catalog's one document.
#pragma once

class QMdiArea;

namespace veldra {

class CatalogDocumentHost;
class CEntryWindow;

class EntryWindowTemplate {
 public:
  // Windows go into area.
  explicit EntryWindowTemplate(QMdiArea* area);

  // A new frame with its form for host's document, in the area, not yet shown.
  CEntryWindow* CreateNewFrame(CatalogDocumentHost* host) const;
  // The frame's first update: placed as new child windows are, shown and activated when
  // visible, and its form set up.
  void InitialUpdateFrame(CEntryWindow* frame, bool visible) const;

 private:
  QMdiArea* area_;
};

}  // namespace veldra
