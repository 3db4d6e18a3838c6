// CPdfWindow: the frame of a PDF viewer, a child window of the main frame's window area.
// Its caption is exactly what its view sets (the entry's title). Every move and resize of
// a bound viewer stores the frame's rectangle in the entry and saves the catalog; when the
// frame goes, its temporary copy of the PDF is deleted and it leaves its catalog's list of
// open viewers.
#pragma once

#include <QMdiSubWindow>

namespace veldra {

class CatalogDocumentHost;
class CPdfWindowView;

namespace viewer {
class ViewerComponent;
}

class CPdfWindow : public QMdiSubWindow {
  Q_OBJECT

 public:
  CPdfWindow(CatalogDocumentHost* host, viewer::ViewerComponent* component,
             QWidget* parent = nullptr);
  ~CPdfWindow() override;

  CPdfWindowView* view() const { return view_; }

  // rect, the frame's rectangle in the window area while it is neither maximized nor
  // minimized, into the bound entry's stored placement (in memory).
  void SavePdfWindowPosition(const QRect& rect);
  // While placing, moves and resizes store and save nothing (the placer does it once).
  void set_placing(bool placing) { placing_ = placing; }

 protected:
  void resizeEvent(QResizeEvent* event) override;
  void moveEvent(QMoveEvent* event) override;

 private:
  void StorePositionAndSave();

  CatalogDocumentHost* host_;
  CPdfWindowView* view_;
  bool placing_ = false;
};

}  // namespace veldra
