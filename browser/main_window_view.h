// CMainWindowView: the form that fills a catalog's browser window. It holds the three
// category lists with their labels and buttons, the entry list and its count label, keeps
// them laid out, and carries the browser's operations: refreshing the entry list,
// rebuilding the category lists, the level handlers and the column-header click.
#pragma once

#include <QPointer>
#include <QWidget>
#include <array>
#include <memory>
#include <string>
#include <vector>

#include "browser/category_selection.h"
#include "browser/command_target.h"
#include "commands/drop_plan.h"
#include "storage/catalog_entry_record.h"
#include "storage/record_array.h"

class QLabel;
class QPushButton;

namespace veldra {

class CatalogDocumentHost;
class CategoryListCtrl;
class EntryListCtrl;
class CVeldraDocument;
class FullTextSearchWindow;
class ProgressReporter;

class CMainWindowView : public QWidget, public CommandTarget {
  Q_OBJECT

 public:
  // The template's size in dialog units.
  static constexpr int kTemplateWidthDlu = 426;
  static constexpr int kTemplateHeightDlu = 247;

  // host may be null (a view without a document does nothing).
  explicit CMainWindowView(CatalogDocumentHost* host, QWidget* parent = nullptr);
  // Writes the entry selection into the entries and saves.
  ~CMainWindowView() override;

  // Start-up, once, after the view was put into its frame.
  void OnInitialUpdate();

  CatalogDocumentHost* host() const { return host_; }
  // The document, or nullptr when there is none or its file was not a catalog.
  CVeldraDocument* document() const;

  // Operations used by the commands.
  void RefreshEntryList();
  void RebuildCategoryLists();
  void SyncEntrySelectionFlags();
  void ShowCategoryLabels();
  CategoryTriple ReadCategorySelection() const;
  CategoryTriple ReadCategoryTexts() const;

  // Level handlers, called by the category lists after a left-button press.
  void OnCat1ListClick();
  void OnCat2ListClick();
  void OnCat3ListClick();
  void OnColumnClick(int column);
  // A double-click in the entry list: the viewer of the first selected row's entry.
  void OnEntryListDoubleClick();

  // The entry commands (entry_command_handlers.cpp).
  void OnEntryInfo();
  void OnPdfOpen();
  void OnPdfDelete();
  void OnPdfExport();
  void OnNewSave();
  void OnSelectAll();
  void OnSelectNone();
  // The one enabling rule of the browser: enabled while the entry list has a selected row.
  CommandState OnUpdateNeedsSelection() const;

  // Where CollectSelectedEntries takes the category selections from.
  enum class SelectionSource { kListTexts, kRemembered };
  // The displayed list rebuilt and sorted for the selections of source, then a copy of the
  // element at each selected row, in ascending row order. With sync, the selection flags
  // are written (SyncEntrySelectionFlags) after the rows are read and before the entries
  // are taken. Nothing without a document.
  std::vector<EntryRecord> CollectSelectedEntries(SelectionSource source, bool sync);

  // Shows at once the warning the host queued when a command's save (result) failed; the
  // host tells a failure once until a save succeeds, and never for a catalog opened read-only.
  void ReportSave(int result);

  // The search commands (search_handlers.cpp). Ctrl+F: the catalog's search window, made
  // at the first call, brought forward with its query selected afterwards.
  void OnFullTextSearch();
  FullTextSearchWindow* search_window() const;
  // Ctrl+G (forward) and Ctrl+Shift+G: the
  // selection moves to the next (previous) listed entry that the catalog's last search hit,
  // in the list's order, wrapping round.
  void OnFindHit(bool forward);
  // Enabled while the catalog's last search has hits.
  CommandState OnUpdateFindHit() const;
  // Selects the row of entry_id alone and scrolls to it; clears the selection when the
  // entry is not listed. false then.
  bool SelectEntry(int32_t entry_id);

  // The category commands (category_handlers.cpp). level is 1..3.
  void OnCategoryAdd(int level);
  void OnCategoryDelete(int level);
  void OnCategoryLabelEdit();
  void OnCategoryBatchChange();

  // Stores the frame's rectangle under "main_window_position" (in memory).
  void SaveBrowserPosition();
  void RestoreBrowserPosition();

  // Controls, for the commands and the tests. level is 1..3.
  CategoryListCtrl* category_list(int level) const { return category_lists_[level - 1]; }
  QLabel* category_label(int level) const { return category_labels_[level - 1]; }
  QPushButton* add_button(int level) const { return add_buttons_[level - 1]; }
  QPushButton* delete_button(int level) const { return delete_buttons_[level - 1]; }
  EntryListCtrl* entry_list() const { return entry_list_; }
  QLabel* count_label() const { return count_label_; }
  bool initialized() const { return initialized_; }

  // The import commands (import_handlers.cpp).
  void OnPdfImport();
  void OnPdfBatchImport();
  // Things dropped onto the browser (drop_handlers.cpp): PDFs and folders imported as the
  // batch import does, catalogs opened, anything else refusing the whole drop.
  void OnDropFiles(const std::vector<commands::DroppedItem>& items);
  // True while an import runs (its commands are then disabled).
  bool importing() const { return importing_; }

  CommandState QueryCommand(int id) override;
  void RunCommand(int id) override;

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  void OnCategoryListClick(int level);
  // The displayed list rebuilt for the category texts: filtered, narrowed to the search's
  // hits while the list is narrowed, and sorted.
  RecordArray& ShowEntries(const CategoryTriple& texts);
  void SetupCategoryLists();
  void LoadRememberedSelections();
  void SaveRememberedSelections();
  void SetupEntryColumns();
  // The headers of the entry list's category columns from the labels of levels 1..3.
  void ShowCategoryColumnTitles();
  void ReopenDetailWindows();
  void LayOut();
  // The window that owns the view: its frame, else its parent.
  QWidget* FrameWindow() const;
  // The common part of both imports: imports paths with the selected categories, saves,
  // rebuilds the lists and tells what failed. progress may be null.
  void ImportPaths(const std::vector<std::string>& paths,
                   std::unique_ptr<ProgressReporter> progress);
  // The batch import's part after its dialog: the PDFs of sources (each folder walked as
  // the batch walks it) imported in one run, with its progress.
  void ImportSources(const std::vector<commands::ImportSource>& sources);

  CatalogDocumentHost* host_;
  std::array<CategoryListCtrl*, 3> category_lists_{};
  std::array<QLabel*, 3> category_labels_{};
  std::array<QPushButton*, 3> add_buttons_{};
  std::array<QPushButton*, 3> delete_buttons_{};
  EntryListCtrl* entry_list_;
  QLabel* count_label_;
  bool initialized_ = false;
  bool importing_ = false;
  QPointer<FullTextSearchWindow> search_window_;  // a child window, made at the first Ctrl+F
};

}  // namespace veldra
