// CPdfWindowView: the inside of a PDF viewer window, one viewer control filling it. LoadPdf
// binds it to an entry: the frame is placed from the entry's stored rectangle (or where new
// windows go), captioned with the entry's title, and the control is given a temporary copy
// of the entry's PDF, with the outline panel as the reader last chose it.
// It carries the viewer's commands: paging and the history of views (sent to it by
// nothing on the menu), print and close, and finding text: Ctrl+F opens the control's find
// bar with the catalog's last query, Ctrl+G and Ctrl+Shift+G step through the occurrences.
#pragma once

#include <QString>
#include <QWidget>
#include <cstdint>
#include <string>

#include "browser/command_target.h"

namespace veldra {

class CatalogDocumentHost;
class CVeldraDocument;
struct EntryRecord;

namespace viewer {
class ViewerComponent;
class ViewerControl;
}  // namespace viewer

class CPdfWindowView : public QWidget, public CommandTarget {
  Q_OBJECT

 public:
  // The size of a frame placed without a stored rectangle.
  static constexpr int kDefaultWidth = 450;
  static constexpr int kDefaultHeight = 550;
  // The caption is the title cut to this many bytes.
  static constexpr size_t kCaptionBufferSize = 128;
  // The control's page modes: with the outline panel, and without.
  static constexpr char kOutlinePageMode[] = "bookmarks";
  static constexpr char kNoOutlinePageMode[] = "none";

  CPdfWindowView(CatalogDocumentHost* host, viewer::ViewerComponent* component,
                 QWidget* parent = nullptr);
  ~CPdfWindowView() override;

  CVeldraDocument* document() const;
  CatalogDocumentHost* host() const { return host_; }
  viewer::ViewerControl* control() const { return control_; }
  bool bound() const { return bound_; }
  int32_t entry_id() const { return entry_id_; }
  // The temporary copy the control shows; "" until one was written.
  const std::string& temporary_path() const { return temporary_path_; }
  // The file name printing to a file offers; "" until a PDF was given to the control.
  const QString& print_name() const { return print_name_; }

  void LoadPdf(const EntryRecord& entry);

  // Shows page (from 1) with every occurrence of text on it highlighted, the first of them
  // current: text is a hit's original text as the index found it. A hit across a line
  // break is looked for with its white space read as the PDF engine reads it.
  void ShowHit(const QString& text, int page);

  // The file name printing to a file offers for entry: its title (its file name when it has
  // none) on one line, without folder separators, ending in ".pdf".
  static QString PrintFileName(const EntryRecord& entry);

  CommandState QueryCommand(int id) override;
  void RunCommand(int id) override;

 private:
  void PlaceFrame(const EntryRecord& entry);
  // The text Ctrl+G looks for: the control's, else the catalog's last query.
  QString FindText() const;

  CatalogDocumentHost* host_;
  viewer::ViewerControl* control_;
  bool bound_ = false;
  int32_t entry_id_ = 0;
  std::string temporary_path_;
  QString print_name_;
};

}  // namespace veldra
