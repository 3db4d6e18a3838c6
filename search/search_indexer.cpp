// The indexer's run: the calling thread looks up, hashes, claims and writes; worker threads
// extract. The queues between them are the only state the threads share.
#include "search/search_indexer.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <thread>
#include <utility>

namespace veldra::search {
namespace {

using platform::PdfTextFailure;
using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

// What the pdf rows of this indexer's texts name as their extractor.
constexpr const char* kExtractor = "veldra-pdftext";
// Learned entry keys are remembered this many at a time (a killed run hashes at most these
// again).
constexpr size_t kKeysPerWrite = 256;
// The calling thread hands out work for at most this long before it looks at what came
// back, the progress and the cancel flag.
constexpr milliseconds kFeedSlice{50};
constexpr milliseconds kWaitSlice{100};
constexpr milliseconds kProgressEvery{100};
// A write that finds the index locked by another process (which may be merging it) is
// tried again, each try waiting the store's busy timeout (5 s).
constexpr int kBusyTries = 12;
// A run that added text for at least this many PDFs, and for a quarter or more of those the
// index holds, merges the full-text index afterwards.
constexpr int kOptimizeAfter = 50;

// A PDF handed to a worker.
struct Job {
  Digest digest{};
  AttachmentSpan span;
};

// What a worker made of a job.
struct Outcome {
  Digest digest{};
  platform::PdfTextResult result;
  // The span no longer holds the bytes of the digest: the catalog file changed.
  bool changed = false;
};

// The queues between the calling thread (Give, Take, Close) and the workers (Next, Put).
// Jobs wait at most job_room at a time; outcomes one: a worker that finished waits until the
// calling thread took the one before, so texts in memory stay a few.
class Pipeline {
 public:
  explicit Pipeline(size_t job_room) : job_room_(job_room) {}

  bool HasRoom() {
    std::lock_guard<std::mutex> lock(mutex_);
    return !closed_ && jobs_.size() < job_room_;
  }
  void Give(const Job& job) {
    std::lock_guard<std::mutex> lock(mutex_);
    jobs_.push_back(job);
    changed_.notify_all();
  }
  // No more jobs: the workers end once they are idle. Returns the jobs none of them took.
  std::deque<Job> Close() {
    std::lock_guard<std::mutex> lock(mutex_);
    closed_ = true;
    changed_.notify_all();
    return std::exchange(jobs_, {});
  }
  // The next outcome, waiting up to timeout for one (or, with want_room, for room to give
  // another job).
  std::optional<Outcome> Take(milliseconds timeout, bool want_room) {
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait_for(lock, timeout, [&] {
      return !outcomes_.empty() || (closed_ && running_ == 0) ||
             (want_room && !closed_ && jobs_.size() < job_room_);
    });
    if (outcomes_.empty()) return std::nullopt;
    Outcome outcome = std::move(outcomes_.front());
    outcomes_.pop_front();
    changed_.notify_all();
    return outcome;
  }
  // Closed, every worker ended, every outcome taken.
  bool Drained() {
    std::lock_guard<std::mutex> lock(mutex_);
    return closed_ && running_ == 0 && outcomes_.empty();
  }

  void WorkerStarts() {
    std::lock_guard<std::mutex> lock(mutex_);
    ++running_;
  }
  void WorkerEnds() {
    std::lock_guard<std::mutex> lock(mutex_);
    --running_;
    changed_.notify_all();
  }
  std::optional<Job> Next() {
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait(lock, [&] { return !jobs_.empty() || closed_; });
    if (jobs_.empty()) return std::nullopt;
    const Job job = jobs_.front();
    jobs_.pop_front();
    changed_.notify_all();
    return job;
  }
  void Put(Outcome outcome) {
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait(lock, [&] { return outcomes_.empty(); });
    outcomes_.push_back(std::move(outcome));
    changed_.notify_all();
  }

 private:
  const size_t job_room_;
  std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<Job> jobs_;
  std::deque<Outcome> outcomes_;
  int running_ = 0;
  bool closed_ = false;
};

// A worker thread: one worker process, job after job, until the pipeline closes.
void Work(Pipeline& pipeline, const IndexerOptions& options, const std::string& catalog_path,
          std::vector<IndexerCancel*> cancels) {
  platform::PdfTextWorker worker(options.worker_path.empty() ? platform::FindPdfTextWorker()
                                                             : options.worker_path,
                                 options.limits);
  for (IndexerCancel* cancel : cancels) cancel->Watch(&worker);
  while (const std::optional<Job> job = pipeline.Next()) {
    Outcome outcome;
    outcome.digest = job->digest;
    outcome.result = worker.Extract(catalog_path, job->span.offset, job->span.length);
    const PdfTextFailure failure = outcome.result.failure;
    if (failure != PdfTextFailure::kCancelled && failure != PdfTextFailure::kNotStarted) {
      outcome.changed = HashPdf(catalog_path, job->span) != job->digest;
    }
    pipeline.Put(std::move(outcome));
  }
  for (IndexerCancel* cancel : cancels) cancel->Unwatch(&worker);
  pipeline.WorkerEnds();
}

class IndexerRun {
 public:
  IndexerRun(const IndexPlan& plan, IndexStore& store, const IndexerOptions& options,
             const IndexerProgressCallback& progress, IndexerCancel* cancel)
      : plan_(plan), store_(store), options_(options), progress_(progress), cancel_(cancel),
        slots_(plan.pdfs.size()) {}

  IndexerReport Go();

 private:
  // A planned PDF: its digest once known, and whether it is dealt with.
  struct Slot {
    std::optional<Digest> digest;
    bool settled = false;
  };

  void LookUp();
  void ForgetKnown();
  void Extract();
  void Feed(Pipeline& pipeline);
  void Deal(size_t i, const Digest& digest, Pipeline& pipeline);
  void Write(Outcome outcome);
  void Settle(size_t i, const PdfRecord& record, bool this_run);
  void SettleUnindexed(size_t i, std::vector<int32_t>* list);
  void Release(const Digest& digest) { store_.ReleaseClaim(digest); }
  void Stop(IndexerStop why, StoreProblem problem = StoreProblem::kNone);
  bool Stopping() const { return report_.stop != IndexerStop::kFinished; }
  void RememberKeys();
  void Optimize();
  void Report(bool last);
  // Whether the row was written since this run wrote its first (ids only grow).
  bool WrittenNow(const PdfRecord& record) const;
  // Whether a record the run meets is to be extracted again (rebuild, retry_failed), unless
  // it was written during the run.
  bool Redo(const PdfRecord& record) const;
  // Runs a write of the store again while another process keeps the index locked.
  StoreProblem Retrying(const std::function<StoreProblem()>& write);

  const IndexPlan& plan_;
  IndexStore& store_;
  const IndexerOptions& options_;
  const IndexerProgressCallback& progress_;
  IndexerCancel* cancel_;
  IndexerCancel stop_workers_;  // the run's own: stops the workers when the run must end

  std::vector<Slot> slots_;
  size_t next_ = 0;  // the next slot to deal with
  // The digests given to workers -> the slots waiting for them.
  std::map<Digest, std::vector<size_t>> waiting_;
  std::vector<std::pair<Digest, Digest>> learned_;  // keys hashed, not yet remembered
  std::optional<int64_t> first_written_;  // the first row id this run wrote
  int added_texts_ = 0;

  IndexerReport report_;
  std::vector<std::pair<size_t, IndexedFailure>> failures_;  // with their slots
  int done_ = 0;
  Clock::time_point started_ = Clock::now();
  Clock::time_point reported_{};
};

IndexerReport IndexerRun::Go() {
  report_.total = report_.texts.total = static_cast<int>(plan_.pdfs.size());
  report_.unreachable = plan_.unreachable;
  if (!store_.is_open()) {
    Stop(IndexerStop::kStoreFailed, StoreProblem::kFailed);
  } else {
    LookUp();
    if (options_.rebuild) ForgetKnown();
    Extract();
    RememberKeys();
    if (!Stopping()) Optimize();
  }
  std::sort(failures_.begin(), failures_.end(),
            [](const auto& a, const auto& b) { return a.first < b.first; });
  for (const auto& [slot, failure] : failures_) report_.failed.push_back(failure);
  Report(true);
  return std::move(report_);
}

// What the index knows: the digests of the known keys and their records, in one read
// transaction (one lock of the file for thousands of lookups).
void IndexerRun::LookUp() {
  IndexStore::ReadTransaction read(store_);
  for (size_t i = 0; i < slots_.size(); ++i) {
    slots_[i].digest = store_.DigestOfKey(plan_.pdfs[i].key);
    if (!slots_[i].digest) continue;
    const std::optional<PdfRecord> record = store_.FindPdf(*slots_[i].digest);
    if (record && !Redo(*record)) Settle(i, *record, false);
  }
}

// A rebuild forgets the texts of the plan's known PDFs before it extracts any: a rebuild
// that is stopped is finished by the next run, with or without rebuild.
void IndexerRun::ForgetKnown() {
  for (const Slot& slot : slots_) {
    if (cancel_ != nullptr && cancel_->cancelled()) return Stop(IndexerStop::kCancelled);
    if (!slot.digest) continue;
    const StoreProblem problem = Retrying([&] { return store_.Forget(*slot.digest); });
    if (problem != StoreProblem::kNone) return Stop(IndexerStop::kStoreFailed, problem);
  }
}

void IndexerRun::Extract() {
  const size_t open = static_cast<size_t>(
      std::count_if(slots_.begin(), slots_.end(), [](const Slot& s) { return !s.settled; }));
  if (open == 0 || Stopping()) return;
  size_t workers = options_.workers > 0
                       ? static_cast<size_t>(options_.workers)
                       : std::max<size_t>(1, std::thread::hardware_concurrency());
  workers = std::min(workers, open);
  Pipeline pipeline(workers);
  std::vector<IndexerCancel*> cancels = {&stop_workers_};
  if (cancel_ != nullptr) cancels.push_back(cancel_);
  std::vector<std::thread> threads;
  for (size_t t = 0; t < workers; ++t) {
    pipeline.WorkerStarts();
    threads.emplace_back(Work, std::ref(pipeline), std::cref(options_),
                         std::cref(plan_.catalog_path), cancels);
  }
  bool closed = false;
  while (!closed || !pipeline.Drained()) {
    if (cancel_ != nullptr && cancel_->cancelled()) Stop(IndexerStop::kCancelled);
    if (!Stopping()) Feed(pipeline);
    if (!closed && (Stopping() || (next_ == slots_.size() && waiting_.empty()))) {
      for (const Job& job : pipeline.Close()) {
        Release(job.digest);
        waiting_.erase(job.digest);
      }
      closed = true;
    }
    const bool want_room = !Stopping() && next_ < slots_.size();
    if (std::optional<Outcome> outcome = pipeline.Take(kWaitSlice, want_room)) {
      Write(std::move(*outcome));
    }
    Report(false);
  }
  for (std::thread& thread : threads) thread.join();
}

// Deals with the next slots while a worker has room for a job, for one slice of time.
void IndexerRun::Feed(Pipeline& pipeline) {
  const Clock::time_point until = Clock::now() + kFeedSlice;
  while (next_ < slots_.size() && !Stopping() && pipeline.HasRoom() && Clock::now() < until) {
    const size_t i = next_++;
    Slot& slot = slots_[i];
    if (slot.settled) continue;
    if (!slot.digest) {
      ++report_.hashed;
      slot.digest = HashPdf(plan_.catalog_path, plan_.pdfs[i].span);
      if (!slot.digest) {
        SettleUnindexed(i, &report_.unreachable);
        continue;
      }
      learned_.emplace_back(plan_.pdfs[i].key, *slot.digest);
      if (learned_.size() >= kKeysPerWrite) RememberKeys();
    }
    Deal(i, *slot.digest, pipeline);
  }
}

// Settles slot i from what the index knows of its digest, or claims the digest and gives
// it to a worker.
void IndexerRun::Deal(size_t i, const Digest& digest, Pipeline& pipeline) {
  if (const auto waiting = waiting_.find(digest); waiting != waiting_.end()) {
    waiting->second.push_back(i);  // the same PDF as one under way
    return;
  }
  std::optional<PdfRecord> record = store_.FindPdf(digest);
  if (record && Redo(*record)) {
    const StoreProblem problem = Retrying([&] { return store_.Forget(digest); });
    if (problem != StoreProblem::kNone) return Stop(IndexerStop::kStoreFailed, problem);
    record.reset();
  }
  if (record) return Settle(i, *record, WrittenNow(*record));
  ClaimResult claim = ClaimResult::kFailed;
  const StoreProblem problem = Retrying([&] {
    claim = store_.Claim(digest);
    return claim == ClaimResult::kFailed ? store_.problem() : StoreProblem::kNone;
  });
  switch (claim) {
    case ClaimResult::kClaimed:
      waiting_[digest] = {i};
      pipeline.Give({digest, plan_.pdfs[i].span});
      return;
    case ClaimResult::kClaimedElsewhere: return SettleUnindexed(i, &report_.claimed_elsewhere);
    case ClaimResult::kKnown:
      // Another process finished it a moment ago.
      if ((record = store_.FindPdf(digest))) return Settle(i, *record, WrittenNow(*record));
      return SettleUnindexed(i, &report_.claimed_elsewhere);
    case ClaimResult::kFailed: return Stop(IndexerStop::kStoreFailed, problem);
  }
}

// Records what a worker made of a PDF, for every slot that waits for it.
void IndexerRun::Write(Outcome outcome) {
  const auto waiting = waiting_.find(outcome.digest);
  if (waiting == waiting_.end()) return;
  const std::vector<size_t> slots = std::move(waiting->second);
  waiting_.erase(waiting);
  const PdfTextFailure failure = outcome.result.failure;
  if (outcome.changed) Stop(IndexerStop::kCatalogChanged);
  if (failure == PdfTextFailure::kNotStarted) Stop(IndexerStop::kWorkerNotStarted);
  if (outcome.changed || failure == PdfTextFailure::kNotStarted ||
      failure == PdfTextFailure::kCancelled || report_.stop == IndexerStop::kStoreFailed) {
    return Release(outcome.digest);
  }
  // The keys hashed so far go in before the text they lead to: a search while the run goes
  // on (the application's window) finds each PDF as soon as its text is written.
  RememberKeys();
  if (report_.stop == IndexerStop::kStoreFailed) return Release(outcome.digest);
  int64_t id = 0;
  const size_t pages = outcome.result.pages.size();
  const StoreProblem problem = Retrying([&] {
    if (failure != PdfTextFailure::kNone) {
      return store_.PutFailure(outcome.digest, platform::PdfTextFailureName(failure));
    }
    PdfText text{std::move(outcome.result.pages), outcome.result.truncated, kExtractor};
    const StoreProblem written = store_.PutText(outcome.digest, text, &id);
    outcome.result.pages = std::move(text.pages);  // kept for another try
    return written;
  });
  outcome.result.pages = {};
  if (problem != StoreProblem::kNone) {
    Release(outcome.digest);
    return Stop(IndexerStop::kStoreFailed, problem);
  }
  ++report_.extracted;
  report_.pages += static_cast<int64_t>(pages);
  const std::optional<PdfRecord> record = store_.FindPdf(outcome.digest);
  if (!record) return;  // forgotten by another process at once: left for the next run
  if (!first_written_) first_written_ = record->id;
  if (record->state == PdfState::kText) ++added_texts_;
  for (size_t i : slots) Settle(i, *record, true);
}

void IndexerRun::Settle(size_t i, const PdfRecord& record, bool this_run) {
  slots_[i].settled = true;
  ++done_;
  ++report_.texts.indexed;
  const int32_t entry = plan_.pdfs[i].entry_id;
  switch (record.state) {
    case PdfState::kText:
      ++report_.with_text;
      report_.texts.row_of_entry[entry] = record.id;
      break;
    case PdfState::kNoText: ++report_.without_text; break;
    case PdfState::kFailed:
      failures_.push_back({i, {entry, FailureOfName(record.failure), this_run}});
      break;
  }
}

void IndexerRun::SettleUnindexed(size_t i, std::vector<int32_t>* list) {
  slots_[i].settled = true;
  ++done_;
  list->push_back(plan_.pdfs[i].entry_id);
}

void IndexerRun::Stop(IndexerStop why, StoreProblem problem) {
  if (Stopping()) return;
  report_.stop = why;
  report_.store_problem = problem;
  stop_workers_.Cancel();
}

bool IndexerRun::WrittenNow(const PdfRecord& record) const {
  return first_written_ && record.id >= *first_written_;
}

bool IndexerRun::Redo(const PdfRecord& record) const {
  return !WrittenNow(record) && (options_.rebuild || (options_.retry_failed &&
                                                      record.state == PdfState::kFailed));
}

StoreProblem IndexerRun::Retrying(const std::function<StoreProblem()>& write) {
  StoreProblem problem = StoreProblem::kNone;
  for (int tries = 0; tries < kBusyTries; ++tries) {
    problem = write();
    if (problem != StoreProblem::kBusy) break;
  }
  return problem;
}

void IndexerRun::RememberKeys() {
  if (learned_.empty()) return;
  const StoreProblem problem = Retrying([&] { return store_.RememberKeys(learned_); });
  learned_.clear();
  if (problem != StoreProblem::kNone) Stop(IndexerStop::kStoreFailed, problem);
}

void IndexerRun::Optimize() {
  if (added_texts_ < kOptimizeAfter || added_texts_ * 4 < store_.Totals().documents) return;
  const StoreProblem problem = Retrying([&] { return store_.Optimize(); });
  if (problem != StoreProblem::kNone) return Stop(IndexerStop::kStoreFailed, problem);
  report_.optimized = true;
}

void IndexerRun::Report(bool last) {
  if (!progress_) return;
  const Clock::time_point now = Clock::now();
  if (!last && now - reported_ < kProgressEvery) return;
  reported_ = now;
  const double seconds = std::chrono::duration<double>(now - started_).count();
  progress_({done_, report_.total, report_.pages,
             seconds > 0 ? static_cast<double>(report_.pages) / seconds : 0});
}

}  // namespace

void IndexerCancel::Cancel() {
  cancelled_ = true;
  std::lock_guard<std::mutex> lock(mutex_);
  for (platform::PdfTextWorker* worker : workers_) worker->Cancel();
}

void IndexerCancel::Watch(platform::PdfTextWorker* worker) {
  std::lock_guard<std::mutex> lock(mutex_);
  workers_.push_back(worker);
  if (cancelled_) worker->Cancel();
}

void IndexerCancel::Unwatch(platform::PdfTextWorker* worker) {
  std::lock_guard<std::mutex> lock(mutex_);
  workers_.erase(std::remove(workers_.begin(), workers_.end(), worker), workers_.end());
}

IndexerReport RunIndexer(const IndexPlan& plan, IndexStore& store, const IndexerOptions& options,
                         const IndexerProgressCallback& progress, IndexerCancel* cancel) {
  return IndexerRun(plan, store, options, progress, cancel).Go();
}

const char* IndexerStopText(IndexerStop stop) {
  switch (stop) {
    case IndexerStop::kFinished: return "every PDF was dealt with";
    case IndexerStop::kCancelled: return "indexing was cancelled";
    case IndexerStop::kWorkerNotStarted:
      return "the text worker program (veldra-pdftext) could not be started";
    case IndexerStop::kCatalogChanged:
      return "the catalog file changed while it was indexed";
    case IndexerStop::kStoreFailed: return "the index could not be read or written";
  }
  return "the index could not be read or written";
}

platform::PdfTextFailure FailureOfName(std::string_view name) {
  for (PdfTextFailure kind :
       {PdfTextFailure::kCrashed, PdfTextFailure::kTimedOut, PdfTextFailure::kTooMuchMemory,
        PdfTextFailure::kNotPdf, PdfTextFailure::kEncrypted, PdfTextFailure::kUnreadable}) {
    if (name == platform::PdfTextFailureName(kind)) return kind;
  }
  return PdfTextFailure::kCrashed;
}

}  // namespace veldra::search
