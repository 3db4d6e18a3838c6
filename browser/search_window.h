// The search window of a catalog ("PDF本文検索"): a modeless window, one per catalog, that
// searches the catalog's PDFs and attributes while the user types. One row per entry with
// a hit: its title, the number of hits, the pages and a snippet with the match in bold.
// Selecting a row selects the entry in the browser; Enter or a double-click opens the
// entry's viewer at the first page with a hit, the hit highlighted on it. "一覧を絞り込む"
// narrows the browser's entry list to the hits while the window is open and has a query.
// The query, the hits and the narrowing are the catalog's (CatalogSearchState): Ctrl+G in
// the browser and the viewers' find bars take them from there. While the catalog's indexer
// runs, the window says how far it has come and searches what is indexed so far; the PDFs
// whose text could not be read are listed with the reason, with a button to try them again.
#pragma once

#include <QWidget>
#include <cstdint>
#include <memory>
#include <string>

#include "browser/catalog_text_search.h"

class QCheckBox;
class QElapsedTimer;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QTableView;
class QTimer;

namespace veldra {

class CatalogDocumentHost;
class CMainWindowView;
class CVeldraDocument;
class SearchResultModel;

class FullTextSearchWindow : public QWidget {
  Q_OBJECT

 public:
  // The pause after the last keystroke before the search runs.
  static constexpr int kDebounceMs = 200;
  static constexpr int kDefaultWidth = 620;
  static constexpr int kDefaultHeight = 420;
  // While the indexer runs, the results take in the newly indexed PDFs this often at most.
  static constexpr int kIndexingRefreshMs = 2000;

  // A window of browser's catalog (browser's child: it goes with the browser). index_path:
  // the index file (CP932), the user's by default.
  explicit FullTextSearchWindow(CMainWindowView* browser,
                                std::string index_path = search::IndexStore::DefaultPath());
  ~FullTextSearchWindow() override;

  // Shows the window (or brings it forward) with its query selected in the field.
  void Present();
  // Runs the search for the field's text now instead of after the pause.
  void SearchNow();
  // Opens the viewer of the entry in row as Enter and a double-click do.
  void OpenRow(int row);

  QLineEdit* query_field() const { return query_; }
  QCheckBox* narrow_box() const { return narrow_; }
  QTableView* result_list() const { return results_; }
  QLabel* status_label() const { return status_; }
  QLabel* progress_label() const { return progress_; }
  QListWidget* failure_list() const { return failures_; }
  QPushButton* retry_button() const { return retry_; }
  SearchResultModel* result_model() const { return model_; }

 protected:
  void closeEvent(QCloseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  CVeldraDocument* document() const;
  // Searches for the field's query (CP932, read by the core as UTF-8).
  void RunSearch();
  void ShowOutcome(const search::SearchOutcome& outcome);
  void Clear();
  // The list is narrowed while the box is checked, the window shown and the query good.
  void ApplyNarrowing();
  void OnRowChanged();
  // Another row (by steps of delta) selected from the query field.
  void MoveRow(int delta);
  void SetStatus(const std::string& cp932, bool trouble);
  // The indexer's state: its progress, or how its last run ended and what failed.
  void ShowIndexing();
  void OnIndexerProgressed();
  void OnIndexerFinished();

  CMainWindowView* browser_;
  CatalogDocumentHost* host_;
  CatalogTextSearch search_;
  QLineEdit* query_;
  QCheckBox* narrow_;
  QLabel* status_;
  QLabel* progress_;
  QWidget* failure_box_;
  QListWidget* failures_;
  QPushButton* retry_;
  QTableView* results_;
  SearchResultModel* model_;
  QTimer* debounce_;
  bool has_query_ = false;  // the last search ran on a query without error
  int entries_seen_ = -1;   // the catalog's entries at the last search
  std::unique_ptr<QElapsedTimer> since_refresh_;  // since the results last took in new PDFs
};

}  // namespace veldra
