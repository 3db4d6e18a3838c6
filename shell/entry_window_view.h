// CEntryWindowView: the form of a property window. It holds the tab control with the
// attribute and information pages, the "閉じる" button and the entry's id; it binds itself to
// one entry, fills the pages from it, and writes the attribute page back into the entry
// when the window goes.
#pragma once

#include <QPointer>
#include <QWidget>
#include <cstdint>

#include "browser/command_target.h"
#include "commands/entry_edit.h"
#include "storage/catalog_entry_record.h"

class QLabel;
class QPushButton;
class QTabWidget;

namespace veldra {

class CatalogDocumentHost;
class CEntryWindowTab1View;
class CEntryWindowTab2View;
class CMainWindowView;
class CVeldraDocument;

class CEntryWindowView : public QWidget, public CommandTarget {
  Q_OBJECT

 public:
  // The form's size in dialog units.
  static constexpr int kTemplateWidthDlu = 278;
  static constexpr int kTemplateHeightDlu = 343;
  static constexpr int kAttributeTab = 0;
  static constexpr int kInformationTab = 1;

  // host may be null (a view without a document shows and writes nothing).
  explicit CEntryWindowView(CatalogDocumentHost* host, QWidget* parent = nullptr);
  ~CEntryWindowView() override;

  // The first update, once, after the view was put into its frame: the form's size, the
  // two tabs and their pages, the attribute page shown.
  void OnInitialUpdate();

  // Binds the form to entry, places the frame at the entry's stored position, sets the
  // caption and fills the form. browser is refreshed after the commit; it may be null.
  void PlaceEntryWindow(const EntryRecord& entry, CMainWindowView* browser);
  void FillEntryForm(const EntryRecord& entry);
  // The attribute page as an edit of the entry.
  commands::EntryEdit ReadEntryForm() const;
  // Writes the form into the entry, adds a category for its three names when none has
  // them, saves the catalog and refreshes the browser. Nothing without a document, before
  // the form is bound, or when the entry is gone.
  void CommitEntryForm();
  // Stores the frame's rectangle in the entry (in memory).
  void SaveEntryWindowPosition();
  // After a save of the catalog: the category names the entry was given meanwhile (a batch
  // change, say), the catalog's level names and labels reach the form; the user's other
  // edits stay.
  void FollowCatalog();

  CatalogDocumentHost* host() const { return host_; }
  // The document, or nullptr when there is none or its file was not a catalog.
  CVeldraDocument* document() const;
  // Whether PlaceEntryWindow has bound the form to an entry, and which.
  bool bound() const { return bound_; }
  int32_t entry_id() const { return entry_id_; }

  QTabWidget* tab_control() const { return tabs_; }
  QPushButton* close_button() const { return close_button_; }
  QLabel* id_text() const { return id_text_; }
  CEntryWindowTab1View* tab1() const { return tab1_; }
  CEntryWindowTab2View* tab2() const { return tab2_; }

  CommandState QueryCommand(int id) override;
  void RunCommand(int id) override;

 protected:
  // Escape anywhere in the form closes the window.
  bool eventFilter(QObject* watched, QEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  // The close command of a view: a close request to the window that owns the view.
  void CloseFrame();
  // The texts above the category boxes from the catalog's labels.
  void ShowLevelLabels(const CVeldraDocument& doc);

  CatalogDocumentHost* host_;
  QTabWidget* tabs_;
  QPushButton* close_button_;
  QLabel* id_caption_;
  QLabel* id_text_;
  CEntryWindowTab1View* tab1_ = nullptr;
  CEntryWindowTab2View* tab2_ = nullptr;
  QPointer<CMainWindowView> browser_;
  int32_t entry_id_ = 0;
  bool bound_ = false;
};

}  // namespace veldra
