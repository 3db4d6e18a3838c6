// CEntryWindow: the property window of one entry, a child window of the main frame that
// the user can move and close but not resize, minimise or maximise. It stores its position
// in the entry on every move and writes its form back into the entry when it goes, however
// it is closed. ShowEntryWindow opens it, or brings forward the one already open.
#pragma once

#include <QMdiSubWindow>
#include <cstdint>

class QMdiArea;

namespace veldra {

class CatalogDocumentHost;
class CEntryWindowView;

class CEntryWindow : public QMdiSubWindow {
  Q_OBJECT

 public:
  // Makes the frame and its form for host; EntryWindowTemplate puts it into the window area
  // and runs its first update.
  explicit CEntryWindow(CatalogDocumentHost* host, QWidget* parent = nullptr);
  // Commits the form, then leaves the catalog's list of open property windows.
  ~CEntryWindow() override;

  CEntryWindowView* view() const { return view_; }
  CatalogDocumentHost* host() const { return host_; }

  // Gives the frame the size that holds the form exactly, and keeps it.
  void FitToForm();

 protected:
  void moveEvent(QMoveEvent* event) override;

 private:
  CatalogDocumentHost* host_;
  CEntryWindowView* view_;
};

// Shows the property window of the entry with entry_id of host's catalog: brings the open
// one to the top, or opens one in area (null: the area of the catalog's browser window)
// placed at the entry's stored position and filled from the entry. Then stamps the entry's
// last-view date and writes the catalog. nullptr, and nothing done, when the catalog has no
// document, no such entry, or there is no area to open a window in.
QMdiSubWindow* ShowEntryWindow(CatalogDocumentHost* host, int32_t entry_id,
                               QMdiArea* area = nullptr);

}  // namespace veldra
