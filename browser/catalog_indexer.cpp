#include "browser/catalog_indexer.h"

#include <QMetaObject>
#include <algorithm>

#include "platform/thread_priority.h"

namespace veldra {

CatalogIndexer::CatalogIndexer(std::string index_path, std::string worker_path, QObject* parent)
    : QObject(parent), index_path_(std::move(index_path)), worker_path_(std::move(worker_path)) {}

CatalogIndexer::~CatalogIndexer() {
  Cancel();
  Join();
}

void CatalogIndexer::Start(const CVeldraDocument& document, bool retry_failed) {
  Cancel();
  Join();
  search::IndexPlan plan = search::MakeIndexPlan(document);
  // What was imported since the last run is indexed before the rest.
  if (!planned_.empty()) {
    std::stable_partition(plan.pdfs.begin(), plan.pdfs.end(), [&](const search::PlannedPdf& pdf) {
      return planned_.count(pdf.entry_id) == 0;
    });
  }
  planned_.clear();
  for (const search::PlannedPdf& pdf : plan.pdfs) planned_.insert(pdf.entry_id);

  search::IndexerOptions options;
  options.retry_failed = retry_failed;
  options.worker_path = worker_path_;
  cancel_ = std::make_unique<search::IndexerCancel>();
  progress_ = search::IndexerProgress{0, static_cast<int>(plan.pdfs.size())};
  running_ = true;
  const int run = ++run_;
  search::IndexerCancel* cancel = cancel_.get();
  // What the thread reports reaches this object on its own thread (the object outlives the
  // thread: it joins it before it goes). What a stopped run still reports is dropped.
  auto tell = [this, run](auto&& apply) {
    QMetaObject::invokeMethod(
        this,
        [this, run, apply = std::move(apply)]() mutable {
          if (run_ == run) apply(*this);
        },
        Qt::QueuedConnection);
  };
  thread_ = std::thread([plan = std::move(plan), options, cancel, index_path = index_path_, tell] {
    platform::LowerThisThreadPriority();
    search::IndexStore store;
    const search::StoreOpening opening = store.Open(index_path);
    search::IndexerReport report;
    if (opening.problem != search::StoreProblem::kNone) {
      report.total = static_cast<int>(plan.pdfs.size());
      report.stop = search::IndexerStop::kStoreFailed;
      report.store_problem = opening.problem;
    } else {
      report = search::RunIndexer(plan, store, options, [&](const search::IndexerProgress& now) {
        tell([now](CatalogIndexer& indexer) {
          indexer.progress_ = now;
          emit indexer.Progressed();
        });
      }, cancel);
    }
    tell([report = std::move(report)](CatalogIndexer& indexer) mutable {
      indexer.report_ = std::move(report);
      indexer.has_report_ = true;
      indexer.running_ = false;
      emit indexer.Finished();
    });
  });
}

void CatalogIndexer::Update(const CVeldraDocument& document) {
  if (run_ > 0) Start(document);
}

void CatalogIndexer::Cancel() {
  if (cancel_) cancel_->Cancel();
  if (running_) {
    running_ = false;
    ++run_;  // what the stopped run still reports is not this object's news any more
  }
}

void CatalogIndexer::Join() {
  if (thread_.joinable()) thread_.join();
}

}  // namespace veldra
