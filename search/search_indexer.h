// The indexer: brings the index up to date with the PDFs of one catalog.
//
//   IndexStore store;  store.Open(IndexStore::DefaultPath());
//   const IndexPlan plan = MakeIndexPlan(document);
//   IndexerCancel cancel;                       // Cancel() from any thread stops the run
//   const IndexerReport report = RunIndexer(plan, store, {}, on_progress, &cancel);
//
// A run looks up what the index knows of each planned PDF (a PDF whose entry key is unknown
// is hashed, and its key remembered), leaves alone the PDFs it knows (those that failed too,
// unless retry_failed), claims each of the others (search/index_store.h: a PDF another live
// process has claimed is skipped and reported) and has the text worker extract it
// (platform/pdf_text_worker.h: one worker process per thread, at low priority, under the
// time and memory limits). Identical PDFs (one digest) are extracted once.
//
// Each PDF is written in one transaction, as it comes: a run that is killed leaves every
// PDF it finished and no half one, and the next run goes on with the rest (the claims of a
// dead process are taken over). A run that ends early (cancelled, the worker program
// missing, the index failing) releases the claims of the PDFs it did not finish. A failure
// of the worker is recorded with its kind (crashed, timed-out, memory, not-pdf, encrypted,
// unreadable), so the PDF is not tried again until retry_failed; a worker program that
// cannot be started, or a cancel, records nothing. Before a text (or a failure) is written
// the PDF's bytes are hashed again: a catalog file replaced under its name during the run
// never gives another PDF's text to a digest (the run stops: kCatalogChanged). A run that
// added text for many PDFs (50 or more, and a quarter of those the index holds) merges the
// full-text index at its end (IndexStore::Optimize).
//
// Memory: the run holds a few dozen bytes per planned PDF, and at any moment no more than
// one text per worker thread plus two (each at most 16 MiB, as the worker's client cuts it):
// nothing grows with the number of PDFs but the plan itself. The catalog is only read.
//
// Threads: RunIndexer blocks the thread that calls it (the GUI calls it from a thread of its
// own, at low priority) and starts its worker threads, which it joins before it returns.
// Every write to the store is made on the calling thread, so the store needs no lock, but
// nothing else may use that IndexStore during the run (another IndexStore of the same file,
// in this process or another, may). The plan and the store must outlive the call.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "platform/pdf_text_worker.h"
#include "search/index_plan.h"
#include "search/index_store.h"

namespace veldra::search {

struct IndexerOptions {
  // Worker processes, each served by a thread of its own; 0: one per core.
  int workers = 0;
  // The time and memory each PDF's extraction may take.
  platform::PdfTextLimits limits;
  // Extract again the PDFs whose extraction failed in an earlier run.
  bool retry_failed = false;
  // Forget what the index holds of the plan's PDFs first, then extract them all again.
  bool rebuild = false;
  // The worker program (UTF-8); "": platform::FindPdfTextWorker(). Tests pass a stand-in.
  std::string worker_path;
};

// Where a run stands. Given to the progress callback on the thread that called RunIndexer,
// at most about ten times a second and once more at the end.
struct IndexerProgress {
  int done = 0;   // PDFs of the plan settled: known, extracted, failed, or skipped
  int total = 0;  // PDFs of the plan (IndexPlan::pdfs)
  int64_t pages = 0;            // pages extracted by this run
  double pages_per_second = 0;  // pages / seconds since the run began
};

using IndexerProgressCallback = std::function<void(const IndexerProgress&)>;

// Stops a run. Cancel() may be called from any thread, before, during or after the run; it
// kills the worker processes at once, and RunIndexer returns as soon as its threads have
// ended (what was finished is kept; what was under way is not recorded). Cancelling is
// for good: a cancelled object stops every run it is given at once.
class IndexerCancel {
 public:
  void Cancel();
  bool cancelled() const { return cancelled_; }

  // For RunIndexer: a worker that Cancel() is to stop while it lives.
  void Watch(platform::PdfTextWorker* worker);
  void Unwatch(platform::PdfTextWorker* worker);

 private:
  std::mutex mutex_;
  std::vector<platform::PdfTextWorker*> workers_;
  std::atomic<bool> cancelled_{false};
};

// A PDF of the plan whose text the index has not got because extracting it failed.
struct IndexedFailure {
  int32_t entry_id = 0;
  platform::PdfTextFailure kind = platform::PdfTextFailure::kCrashed;
  bool this_run = false;  // false: recorded by an earlier run (tried again on retry_failed)
};

// Why a run ended.
enum class IndexerStop {
  kFinished,          // every PDF of the plan was dealt with
  kCancelled,         // IndexerCancel::Cancel()
  kWorkerNotStarted,  // the worker program could not be started (missing, not executable)
  kCatalogChanged,    // the catalog file no longer holds the PDFs the plan was made from
  kStoreFailed,       // the index could not be read or written: store_problem says why
};

// One English sentence for the CLI (the windows word it in Japanese), e.g. "the text worker
// program could not be started"; for kStoreFailed see StoreProblemText.
const char* IndexerStopText(IndexerStop stop);

struct IndexerReport {
  // PDFs of the plan (entries with a reachable PDF), and how they stand at the end. Entries
  // count one each, also where several share one PDF.
  int total = 0;
  int with_text = 0;
  int without_text = 0;                  // no text layer (a scan) or white space only
  std::vector<IndexedFailure> failed;    // in plan order
  // Entries whose PDF another process was extracting: that process indexes it.
  std::vector<int32_t> claimed_elsewhere;
  // Entries whose PDF cannot be reached: links the catalog's lists do not reach
  // (IndexPlan::unreachable, damage), and PDFs whose bytes could not be read.
  std::vector<int32_t> unreachable;

  int hashed = 0;        // PDFs whose entry key was unknown: their bytes were read to learn it
  int extracted = 0;     // distinct PDFs this run extracted (with text, without, or failed)
  int64_t pages = 0;     // their pages
  bool optimized = false;  // the run added much and merged the full-text index afterwards

  IndexerStop stop = IndexerStop::kFinished;
  StoreProblem store_problem = StoreProblem::kNone;  // kStoreFailed: what failed

  // Which full-text row holds each entry's text, for CatalogSearch::set_entry_texts.
  EntryTexts texts;
};

// A run over plan into store; see the top of this file. progress and cancel may be empty.
IndexerReport RunIndexer(const IndexPlan& plan, IndexStore& store,
                         const IndexerOptions& options = {},
                         const IndexerProgressCallback& progress = {},
                         IndexerCancel* cancel = nullptr);

// PdfTextFailureName's inverse: the kind of a failure as the index records it; kCrashed for
// a name it does not know.
platform::PdfTextFailure FailureOfName(std::string_view name);

}  // namespace veldra::search
