// CMainWindow: the browser's frame, a child window of the main frame's window area. It
// keeps its rectangle in the catalog on every move and resize, refuses to become smaller
// than the view can be laid out in, and when it closes it records which detail windows of
// its catalog were open and in which stacking order, closes them, and saves.
#pragma once

#include <QMdiSubWindow>

namespace veldra {

class CatalogDocumentHost;
class CMainWindowView;

class CMainWindow : public QMdiSubWindow {
  Q_OBJECT

 public:
  // Makes the frame and its view for host; the caller adds it to the window area and then
  // runs the view's start-up.
  explicit CMainWindow(CatalogDocumentHost* host, QWidget* parent = nullptr);
  ~CMainWindow() override;

  CMainWindowView* view() const { return view_; }
  CatalogDocumentHost* host() const { return host_; }

  // The smallest frame: room for the view's 282 x 308 pixels inside the borders and caption.
  QSize MinimumFrameSize() const;
  // The frame size that gives the view view_size.
  QSize FrameSizeFor(const QSize& view_size) const;

 protected:
  void resizeEvent(QResizeEvent* event) override;
  void moveEvent(QMoveEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  // PDFs, folders and catalogs dropped onto the browser (CMainWindowView::OnDropFiles).
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dragMoveEvent(QDragMoveEvent* event) override;
  void dropEvent(QDropEvent* event) override;

 private:
  void StorePositionAndSave();
  // What closing does to the catalog: order numbers, closing the detail windows, saving.
  void RecordAndCloseDetailWindows();

  CatalogDocumentHost* host_;
  CMainWindowView* view_;
};

}  // namespace veldra
