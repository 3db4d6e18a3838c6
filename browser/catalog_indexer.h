// Brings the index up to date with one open catalog's PDFs in the background: a thread of
// its own, at low priority, runs the search core's indexer, whose worker processes extract
// the texts (the same run as veldra-cli index). The windows hear how far it has come, and
// when it has ended, which PDFs failed and why.
//
// A run starts when the catalog opens and again after an import (the new PDFs first); one
// under way is stopped for it, which costs at most the PDFs being extracted at that moment.
// Cancel (the catalog closing, the application ending) kills the worker processes at once;
// the index keeps every PDF finished, and the next run goes on with the rest.
#pragma once

#include <QObject>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <unordered_set>

#include "search/search_indexer.h"
#include "storage/catalog_document.h"

namespace veldra {

class CatalogIndexer : public QObject {
  Q_OBJECT

 public:
  // index_path: the index file (CP932), the user's by default; worker_path: the text worker
  // (UTF-8), found as veldra-cli finds it by default.
  explicit CatalogIndexer(std::string index_path = search::IndexStore::DefaultPath(),
                          std::string worker_path = std::string(), QObject* parent = nullptr);
  // Cancels a run under way and waits for its thread, which ends at once.
  ~CatalogIndexer() override;

  // Starts a run over document's PDFs (planned here, on the calling thread), stopping one
  // under way first. The PDFs the last run did not plan (just imported) come first. With
  // retry_failed, the PDFs that failed before are extracted again.
  void Start(const CVeldraDocument& document, bool retry_failed = false);
  // After PDFs were imported: a new run, the new PDFs first, when this catalog is being
  // indexed (Start was called); nothing otherwise.
  void Update(const CVeldraDocument& document);
  // Stops a run under way at once; what it finished stays in the index.
  void Cancel();

  bool running() const { return running_; }
  // Where the run under way (or the last one) stands.
  const search::IndexerProgress& progress() const { return progress_; }
  // The report of the last run that ended; false before any has.
  bool has_report() const { return has_report_; }
  const search::IndexerReport& report() const { return report_; }

 signals:
  // The run under way came further (at most about ten times a second).
  void Progressed();
  // A run ended by itself: finished, or stopped by a problem (a cancelled run tells nothing).
  void Finished();

 private:
  void Join();

  std::string index_path_;
  std::string worker_path_;
  std::thread thread_;
  std::unique_ptr<search::IndexerCancel> cancel_;  // the run under way's
  std::unordered_set<int32_t> planned_;            // the entries the last run planned
  bool running_ = false;
  bool has_report_ = false;
  search::IndexerProgress progress_;
  search::IndexerReport report_;
  int run_ = 0;  // counts the runs: what a stopped run reports late is dropped
};

}  // namespace veldra
