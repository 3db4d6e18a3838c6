// The indexer's runs on catalogs of generated PDFs, with the real text worker and with the
// stand-in that misbehaves on command: each outcome a PDF can have, runs after runs (known
// PDFs left alone, retry_failed, rebuild, a full disk), a cancel, a kill, and two processes
// at once. After every run the catalog holds the bytes it held before and no claim is left.
#include "search/search_indexer.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QStringList>
#include <algorithm>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "storage/catalog_tags.h"
#include "storage/chunk_format.h"
#include "tests/platform/hostile_pdf.h"
#include "tests/platform/viewer_test_pdf.h"
#include "tests/search/search_test_support.h"
#include "tests/support/damaged_catalog.h"
#include "tests/support/test_catalog.h"

namespace veldra::search {
namespace {

using platform::PdfTextFailure;
using testing::ReadAll;
using testing::TempFolder;

const std::string kWorker = PDFTEXT_BUILD_WORKER;
const std::string kStandIn = PDFTEXT_TEST_WORKER;

// A "PDF" the stand-in worker runs as a command (the real worker finds it no PDF).
std::string StandIn(const std::string& command) { return "stand-in:" + command + "\n"; }

struct Pdfs {
  std::string japanese;  // two pages of Japanese and English text (embedded CID fonts)
  std::string scan;      // a picture and no text
  std::string locked;    // encrypted, no password opens it
  std::string not_pdf = "plain words, not a PDF";
};

const Pdfs& ThePdfs() {
  static const Pdfs pdfs = [] {
    Pdfs made;
    TempFolder folder;
    const std::string path = folder.Path("japanese.pdf");
    EXPECT_TRUE(veldra::testing::WriteTextPdf(
        QString::fromStdString(path),
        {QString::fromUtf8("形態素解析の研究\n要確認"), QString::fromUtf8("全文検索 search engine")}));
    made.japanese = ReadAll(path);
    made.scan = veldra::testing::MakePictureOnlyPdf();
    made.locked = veldra::testing::MakeLockedPdf();
    return made;
  }();
  return pdfs;
}

// A count on the index file, read beside the store as another program would (-1: none).
int64_t Count(const std::string& index, const char* sql) {
  const std::string value = testing::Sql(index, sql);
  return value.empty() ? -1 : std::stoll(value);
}

class IndexerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(store_.Open(index_, testing::FullDiskVfs()).problem, StoreProblem::kNone);
  }

  void MakeCatalog(const std::vector<std::string>& pdfs) {
    ASSERT_TRUE(veldra::testing::MakeCatalogWithPdfs(catalog_, pdfs));
    bytes_ = ReadAll(catalog_);
  }

  // One run over the catalog's plan (in store, else the test's own); worker_path "" is the
  // real worker.
  IndexerReport Run(IndexerOptions options, IndexerCancel* cancel = nullptr,
                    IndexStore* store = nullptr) {
    if (options.worker_path.empty()) options.worker_path = kWorker;
    CVeldraDocument document;
    document.Load(catalog_);
    plan_ = MakeIndexPlan(document);
    last_ = {};
    const IndexerReport report =
        RunIndexer(plan_, store != nullptr ? *store : store_, options,
                   [&](const IndexerProgress& p) { last_ = p; }, cancel);
    EXPECT_EQ(ReadAll(catalog_), bytes_) << "the catalog is only read";
    EXPECT_EQ(last_.total, report.total);
    if (report.stop == IndexerStop::kFinished) {
      EXPECT_EQ(last_.done, report.total);
    }
    return report;
  }

  // Each entry of the last plan as the index holds it ("text", "no text", "failed KIND",
  // "-" for nothing), or "unreachable" / "elsewhere" as the report names it; by entry id.
  std::vector<std::string> Outcomes(const IndexerReport& report) {
    std::vector<std::string> out(plan_.pdfs.size() + plan_.unreachable.size(), "-");
    for (int32_t id : report.unreachable) out.at(static_cast<size_t>(id)) = "unreachable";
    for (int32_t id : report.claimed_elsewhere) out.at(static_cast<size_t>(id)) = "elsewhere";
    for (const PlannedPdf& pdf : plan_.pdfs) {
      const auto digest = store_.DigestOfKey(pdf.key);
      const auto record = digest ? store_.FindPdf(*digest) : std::nullopt;
      if (!record) continue;
      out.at(static_cast<size_t>(pdf.entry_id)) =
          record->state == PdfState::kText     ? "text"
          : record->state == PdfState::kNoText ? "no text"
                                               : "failed " + record->failure;
    }
    return out;
  }

  int64_t ClaimsLeft() { return Count(index_, "SELECT count(*) FROM claim"); }

  TempFolder folder_;
  std::string catalog_ = folder_.Path("cat.vdc");
  const std::string index_ = folder_.Path("index.sqlite");
  std::string bytes_;
  IndexStore store_;
  IndexPlan plan_;
  IndexerProgress last_;
};

struct OutcomeRow {
  const char* name;
  std::vector<std::string> pdfs;
  IndexerOptions options;
  bool (*damage)(const std::string& path);
  std::vector<std::string> outcomes;  // by entry id
  int extracted;
  IndexerStop stop;
};

bool CutAfterSecondPdf(const std::string& path) {
  return veldra::testing::PatchChunk(path, kTagAttachmentData, 1, chunk_format::kNextInTagOffset,
                                     -1);
}

TEST_F(IndexerTest, EveryOutcomeOfAPdfIsRecordedAndReported) {
  const Pdfs& pdf = ThePdfs();
  const IndexerOptions stand_in{.limits = {.time_ms = 500, .memory_bytes = 256ull << 20},
                                .worker_path = kStandIn};
  const std::vector<OutcomeRow> rows = {
      {"text, a scan without, not a PDF, locked", {pdf.japanese, pdf.scan, pdf.not_pdf, pdf.locked},
       {}, nullptr, {"text", "no text", "failed not-pdf", "failed encrypted"}, 4},
      {"crashed, hung, ballooned; the next PDF is served",
       {StandIn("crash"), StandIn("hang"), StandIn("balloon"), StandIn("hello")}, stand_in,
       nullptr, {"failed crashed", "failed timed-out", "failed memory", "text"}, 4},
      {"identical PDFs are extracted once", {pdf.scan, pdf.japanese, pdf.japanese}, {}, nullptr,
       {"no text", "text", "text"}, 2},
      {"a damaged list of PDFs: what it reaches", {pdf.japanese, pdf.scan, pdf.locked}, {},
       CutAfterSecondPdf, {"text", "no text", "unreachable"}, 2},
      {"the worker program missing: nothing recorded", {pdf.japanese},
       {.worker_path = folder_.Path("no-such-worker")}, nullptr, {"-"}, 0,
       IndexerStop::kWorkerNotStarted},
  };
  for (const OutcomeRow& row : rows) {
    SCOPED_TRACE(row.name);
    // A catalog of its own (other entry keys) for each row.
    catalog_ = folder_.Path("row" + std::to_string(&row - rows.data()) + ".vdc");
    MakeCatalog(row.pdfs);
    if (row.damage != nullptr) {
      ASSERT_TRUE(row.damage(catalog_));
      bytes_ = ReadAll(catalog_);
    }
    const IndexerReport report = Run(row.options);
    EXPECT_EQ(report.stop, row.stop);
    EXPECT_EQ(report.extracted, row.extracted);
    const std::vector<std::string> outcomes = Outcomes(report);
    EXPECT_EQ(outcomes, row.outcomes);
    EXPECT_EQ(report.with_text, std::count(outcomes.begin(), outcomes.end(), "text"));
    EXPECT_EQ(report.without_text, std::count(outcomes.begin(), outcomes.end(), "no text"));
    for (const IndexedFailure& failure : report.failed) {
      EXPECT_EQ("failed " + std::string(platform::PdfTextFailureName(failure.kind)),
                outcomes.at(static_cast<size_t>(failure.entry_id)));
      EXPECT_TRUE(failure.this_run);
    }
    EXPECT_EQ(ClaimsLeft(), 0);
    // The entries' texts, as the search is handed them, are the PDFs' pages.
    for (const auto& [entry, row_id] : report.texts.row_of_entry) {
      std::string page;
      EXPECT_TRUE(store_.PageText(row_id, 1, &page));
      if (row.pdfs.at(static_cast<size_t>(entry)) == pdf.japanese) {
        EXPECT_NE(page.find("形態素解析"), std::string::npos) << page;
      }
    }
    // Each row starts from an empty index.
    for (const PlannedPdf& planned : plan_.pdfs) {
      if (const auto digest = store_.DigestOfKey(planned.key)) store_.Forget(*digest);
    }
  }
}

struct StepRow {
  const char* name;
  IndexerOptions options;
  bool disk_full;
  std::vector<std::string> outcomes;
  int hashed;
  int extracted;
  int failed_this_run;
  IndexerStop stop;
};

TEST_F(IndexerTest, KnownPdfsAreLeftAloneUntilRetryFailedOrRebuild) {
  const Pdfs& pdf = ThePdfs();
  MakeCatalog({pdf.japanese, StandIn("hello"), pdf.scan});
  const IndexerOptions stand_in{.worker_path = kStandIn};
  const std::vector<StepRow> steps = {
      {"a full disk: nothing claimed, nothing lost", {}, true, {"-", "-", "-"}, 1, 0, 0,
       IndexerStop::kStoreFailed},
      {"first run", {}, false, {"text", "failed not-pdf", "no text"}, 3, 3, 1},
      {"again: nothing to do", {}, false, {"text", "failed not-pdf", "no text"}, 0, 0, 0},
      {"another worker, failures not retried", stand_in, false,
       {"text", "failed not-pdf", "no text"}, 0, 0, 0},
      {"retry_failed: only the failure is tried again",
       {.retry_failed = true, .worker_path = kStandIn}, false, {"text", "text", "no text"}, 0, 1,
       0},
      {"rebuild: everything again", {.rebuild = true}, false,
       {"text", "failed not-pdf", "no text"}, 0, 3, 1},
  };
  int64_t japanese_row = 0;
  for (const StepRow& step : steps) {
    SCOPED_TRACE(step.name);
    testing::SetDiskFull(step.disk_full);
    const IndexerReport report = Run(step.options);
    testing::SetDiskFull(false);
    EXPECT_EQ(report.stop, step.stop);
    if (step.disk_full) {
      EXPECT_EQ(report.store_problem, StoreProblem::kDiskFull);
    }
    EXPECT_EQ(Outcomes(report), step.outcomes);
    EXPECT_EQ(report.hashed, step.hashed) << "only unknown keys are hashed";
    EXPECT_EQ(report.extracted, step.extracted);
    EXPECT_EQ(std::count_if(report.failed.begin(), report.failed.end(),
                            [](const IndexedFailure& f) { return f.this_run; }),
              step.failed_this_run);
    EXPECT_EQ(ClaimsLeft(), 0);
    if (report.texts.row_of_entry.count(0) != 0) {
      const int64_t row = report.texts.row_of_entry.at(0);
      EXPECT_EQ(row != japanese_row, step.extracted == 3) << "a new row only when extracted";
      japanese_row = row;
    }
  }
}

TEST_F(IndexerTest, ACatalogReplacedUnderItsNameNeverGivesItsTextToAnotherPdf) {
  MakeCatalog({StandIn("first text")});
  const IndexerOptions options{.worker_path = kStandIn};
  Run(options);
  CVeldraDocument document;
  document.Load(catalog_);
  const IndexPlan plan = MakeIndexPlan(document);
  const Digest digest = *store_.DigestOfKey(plan.pdfs.at(0).key);
  store_.Forget(digest);  // the key stays known: the PDF is to be extracted again
  const std::string other = folder_.Path("other.vdc");
  ASSERT_TRUE(veldra::testing::MakeCatalogWithPdfs(other, {StandIn("other text")}));
  ASSERT_EQ(std::rename(other.c_str(), catalog_.c_str()), 0);

  const IndexerReport report = RunIndexer(plan, store_, options);
  EXPECT_EQ(report.stop, IndexerStop::kCatalogChanged);
  EXPECT_FALSE(store_.FindPdf(digest)) << "nothing recorded for the old PDF's bytes";
  EXPECT_EQ(ClaimsLeft(), 0);
}

std::vector<std::string> SlowPdfs(int count) {
  std::vector<std::string> pdfs;
  for (int i = 0; i < count; ++i) pdfs.push_back(StandIn("slow page " + std::to_string(i)));
  return pdfs;
}

TEST_F(IndexerTest, ACancelStopsTheRunAndTheNextGoesOnFromThere) {
  MakeCatalog(SlowPdfs(20));
  IndexerCancel cancel;
  const IndexerOptions options{.workers = 2, .worker_path = kStandIn};
  std::thread canceller([&] {
    while (Count(index_, "SELECT count(*) FROM pdf") < 2) ::usleep(10 * 1000);
    cancel.Cancel();
  });
  const IndexerReport first = Run(options, &cancel);
  canceller.join();
  EXPECT_EQ(first.stop, IndexerStop::kCancelled);
  EXPECT_GE(first.extracted, 2);
  EXPECT_LT(first.extracted, 20);
  EXPECT_EQ(ClaimsLeft(), 0) << "the PDFs under way were let go";
  EXPECT_EQ(Run(options, &cancel).extracted, 0) << "a cancelled object stops every run";

  const IndexerReport second = Run(options);
  EXPECT_EQ(second.stop, IndexerStop::kFinished);
  EXPECT_EQ(second.extracted, 20 - first.extracted);
  EXPECT_TRUE(second.claimed_elsewhere.empty());
  EXPECT_EQ(Outcomes(second), std::vector<std::string>(20, "text"));
}

// Runs the indexer in a child process with an index of its own; the child's exit code is
// the number of PDFs it extracted. A byte on start_gate lets it begin (-1: at once).
pid_t StartIndexer(const std::string& catalog, const std::string& index, int start_gate) {
  const pid_t child = ::fork();
  if (child != 0) return child;
  char go = 0;
  if (start_gate >= 0 && ::read(start_gate, &go, 1) != 1) ::_exit(200);
  IndexStore store;
  if (store.Open(index).problem != StoreProblem::kNone) ::_exit(201);
  CVeldraDocument document;
  document.Load(catalog);
  const IndexerReport report =
      RunIndexer(MakeIndexPlan(document), store, {.workers = 1, .worker_path = kStandIn});
  ::_exit(report.stop == IndexerStop::kFinished ? report.extracted : 202);
}

int ExitCode(pid_t child) {
  int status = 0;
  ::waitpid(child, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST_F(IndexerTest, AKilledRunLeavesAWorkingIndexAndTheNextGoesOn) {
  MakeCatalog(SlowPdfs(20));
  const pid_t child = StartIndexer(catalog_, index_, -1);
  while (Count(index_, "SELECT count(*) FROM pdf") < 3) ::usleep(10 * 1000);
  ::kill(child, SIGKILL);
  EXPECT_EQ(ExitCode(child), -1);
  const int64_t finished = Count(index_, "SELECT count(*) FROM pdf");
  EXPECT_GE(Count(index_, "SELECT count(*) FROM claim"), 1) << "the killed run's PDFs under way";
  EXPECT_EQ(Count(index_, "SELECT count(*) FROM pdf WHERE state = 1"), finished);

  const IndexerReport resumed = Run({.worker_path = kStandIn});
  EXPECT_EQ(resumed.stop, IndexerStop::kFinished);
  EXPECT_EQ(resumed.extracted, 20 - finished) << "the finished PDFs are kept";
  EXPECT_TRUE(resumed.claimed_elsewhere.empty()) << "a dead process's claim is taken over";
  EXPECT_EQ(Outcomes(resumed), std::vector<std::string>(20, "text"));
  EXPECT_EQ(ClaimsLeft(), 0);
}

TEST_F(IndexerTest, TwoProcessesIndexingOneCatalogExtractEachPdfOnce) {
  MakeCatalog(SlowPdfs(12));
  int gate[2];
  ASSERT_EQ(::pipe(gate), 0);
  const pid_t a = StartIndexer(catalog_, index_, gate[0]);
  const pid_t b = StartIndexer(catalog_, index_, gate[0]);
  ASSERT_EQ(::write(gate[1], "gg", 2), 2);
  const int extracted_a = ExitCode(a);
  const int extracted_b = ExitCode(b);
  ::close(gate[0]);
  ::close(gate[1]);
  EXPECT_EQ(extracted_a + extracted_b, 12) << extracted_a << " + " << extracted_b;
  EXPECT_EQ(testing::Sql(index_, "PRAGMA integrity_check"), "ok");
  int found = 0;
  EXPECT_EQ(store_.MatchPhrase("\"page\"", [&](int64_t, int64_t, const int32_t*, size_t) { ++found; }),
            StoreProblem::kNone);
  EXPECT_EQ(found, 12);

  const IndexerReport after = Run({.worker_path = kStandIn});
  EXPECT_EQ(after.extracted, 0);
  EXPECT_EQ(Outcomes(after), std::vector<std::string>(12, "text"));
  EXPECT_EQ(ClaimsLeft(), 0);
}

}  // namespace
}  // namespace veldra::search
