// The indexer (RunIndexer) on catalogs of generated PDFs:
//   - two workers against one: 16 PDFs of 75 pages of Japanese and English text indexed into
//     an empty index; wall time (what a second core saves), CPU time beside it (cpu_ms);
//   - an indexed catalog of 10,000 PDFs brought up to date after 10 more were imported
//     (opening the index, loading the catalog, the plan and the run, one worker), against
//     extracting those 10 alone with one worker; CPU time, wall time beside it (wall_ms);
//   - the indexer's peak memory (VmHWM), each in a process of its own: indexing the 10,000
//     (at set-up), and 6 PDFs whose text is cut at 16 MiB each (the stand-in worker's
//     "flood": 16 pages of 1 MiB); and writing one text of 16 MiB, in pages or in one page.
//
//   QT_QPA_PLATFORM=offscreen indexer_bench [--benchmark_repetitions=3]
//
// The 10,000 are real one-page PDFs with a line of text each (tests/commands/test_pdf.h),
// extracted by the real worker at set-up; the 10 new ones have 20 pages each.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <QGuiApplication>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "bench/commands/ratio_reporter.h"
#include "bench/search/mixed_text_pdf.h"
#include "search/search_indexer.h"
#include "tests/commands/test_pdf.h"
#include "tests/support/test_catalog.h"

namespace {

namespace fs = std::filesystem;
using veldra::bench::Stopwatch;
using namespace veldra::search;
using veldra::AttachmentSpan;
using veldra::CVeldraDocument;

constexpr int kKnownPdfs = 10000;
constexpr int kNewPdfs = 10;
constexpr int kNewPdfPages = 20;
constexpr int kThreadPdfs = 16;
constexpr int kThreadPdfPages = 75;
constexpr int kFloodPdfs = 6;

std::string ReadAll(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// The peak resident memory of this process, in kB.
long PeakKb() {
  std::ifstream status("/proc/self/status");
  for (std::string line; std::getline(status, line);) {
    if (line.rfind("VmHWM:", 0) == 0) return std::stol(line.substr(6));
  }
  return -1;
}

IndexPlan PlanOf(const std::string& catalog) {
  CVeldraDocument document;
  document.Load(catalog);
  return MakeIndexPlan(document);
}

// The child's part (indexer_bench --index CATALOG INDEX FIRST WORKER): indexes the first
// FIRST PDFs of the catalog (0: all) with two workers; prints its peak memory in kB, the
// PDFs extracted and whether it finished.
int IndexInChild(char** argv) {
  IndexStore store;
  if (store.Open(argv[3]).problem != StoreProblem::kNone) return 1;
  IndexPlan plan = PlanOf(argv[2]);
  const size_t first = std::stoul(argv[4]);
  if (first > 0 && first < plan.pdfs.size()) plan.pdfs.resize(first);
  IndexerOptions options;
  options.workers = 2;
  options.worker_path = argv[5];
  const IndexerReport report = RunIndexer(plan, store, options);
  std::printf("%ld %d %d\n", PeakKb(), report.extracted, report.stop == IndexerStop::kFinished);
  return 0;
}

// The child's part (indexer_bench --put KIND INDEX): writes one text of 16 MiB as the
// indexer writes a PDF's, in one page of KIND (english: words and spaces; japanese: kana and
// kanji with "。"; unbroken: kana alone) or, for KIND unbroken-pages, kana alone in 16 pages
// of 1 MiB; prints its peak memory in kB.
int PutInChild(char** argv) {
  const std::string kind = argv[2];
  const std::string unit = kind == "english" ? "search " : kind == "japanese" ? "検索の。" : "あ";
  std::string text;
  while (text.size() + unit.size() <= (16u << 20) - 4096) text += unit;
  PdfText pdf{{}, true, "bench"};
  if (kind == "unbroken-pages") {
    for (size_t at = 0; at < text.size(); at += 1u << 20) pdf.pages.push_back(text.substr(at, 1u << 20));
  } else {
    pdf.pages.push_back(std::move(text));
  }
  IndexStore store;
  if (store.Open(argv[3]).problem != StoreProblem::kNone) return 1;
  if (store.PutText(veldra::search::Sha256Of(kind), pdf) != StoreProblem::kNone) return 1;
  std::printf("%ld 1 1\n", PeakKb());
  return 0;
}

struct ChildRun {
  double seconds = 0;  // wall time, the process's start included
  long peak_kb = -1;
  int extracted = 0;
  bool finished = false;
};

// Runs this program with arguments (a child's part) and reads what it prints.
ChildRun RunChild(const std::string& arguments) {
  char self[4096] = {};
  if (::readlink("/proc/self/exe", self, sizeof self - 1) <= 0) return {};
  const std::string command = std::string(self) + " " + arguments;
  ChildRun run;
  const auto start = std::chrono::steady_clock::now();
  if (FILE* out = ::popen(command.c_str(), "r")) {
    int finished = 0;
    if (std::fscanf(out, "%ld %d %d", &run.peak_kb, &run.extracted, &finished) != 3) {
      run.peak_kb = -1;
    }
    run.finished = finished != 0;
    ::pclose(out);
  }
  run.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  return run;
}

struct Fixture {
  fs::path root;
  fs::path known;         // 10,000 small PDFs, then the 10 new ones
  fs::path base_index;    // the first 10,000 indexed
  fs::path pages;         // 12 PDFs of 50 pages
  std::vector<AttachmentSpan> new_spans;
  ChildRun known_run;  // indexing the 10,000
  ChildRun flood_run;  // indexing the PDFs of 16 MiB of text
};

ChildRun IndexInChildProcess(const fs::path& catalog, const fs::path& index, size_t first,
                             const std::string& worker) {
  return RunChild("--index " + catalog.string() + " " + index.string() + " " +
                  std::to_string(first) + " " + worker);
}

void Fail(const char* what) {
  std::fprintf(stderr, "set-up failed: %s\n", what);
  std::exit(1);
}

Fixture& TheFixture() {
  static Fixture* fixture = [] {
    auto* f = new Fixture;
    std::string pattern = (fs::temp_directory_path() / "veldra-indexer-XXXXXX").string();
    f->root = ::mkdtemp(pattern.data());
    std::mt19937 random(18);
    std::vector<std::string> pdfs;
    for (int i = 0; i < kKnownPdfs; ++i) {
      pdfs.push_back(veldra::testing::MakePdf("Known document number " + std::to_string(i)));
    }
    for (int i = 0; i < kNewPdfs; ++i) {
      const fs::path path = f->root / "new.pdf";
      if (!veldra::bench::WriteMixedTextPdf(path.string(), kNewPdfPages, &random)) Fail("pdf");
      pdfs.push_back(ReadAll(path));
    }
    f->known = f->root / "known.vdc";
    if (!veldra::testing::MakeCatalogWithPdfs(f->known.string(), pdfs, false)) Fail("catalog");
    const IndexPlan plan = PlanOf(f->known.string());
    if (plan.pdfs.size() != pdfs.size()) Fail("plan");
    for (size_t i = kKnownPdfs; i < plan.pdfs.size(); ++i) f->new_spans.push_back(plan.pdfs[i].span);
    f->base_index = f->root / "base.sqlite";
    f->known_run = IndexInChildProcess(f->known, f->base_index, kKnownPdfs,
                                       veldra::platform::FindPdfTextWorker());
    if (!f->known_run.finished || f->known_run.extracted != kKnownPdfs) Fail("indexing");

    pdfs.clear();
    for (int i = 0; i < kThreadPdfs; ++i) {
      const fs::path path = f->root / "pages.pdf";
      if (!veldra::bench::WriteMixedTextPdf(path.string(), kThreadPdfPages, &random)) Fail("pdf");
      pdfs.push_back(ReadAll(path));
    }
    f->pages = f->root / "pages.vdc";
    if (!veldra::testing::MakeCatalogWithPdfs(f->pages.string(), pdfs)) Fail("catalog");

    pdfs.clear();
    for (int i = 0; i < kFloodPdfs; ++i) pdfs.push_back("stand-in:flood\n" + std::to_string(i));
    const fs::path flood = f->root / "flood.vdc";
    if (!veldra::testing::MakeCatalogWithPdfs(flood.string(), pdfs)) Fail("catalog");
    f->flood_run = IndexInChildProcess(flood, f->root / "flood.sqlite", 0, PDFTEXT_TEST_WORKER);
    if (!f->flood_run.finished) Fail("indexing the floods");
    return f;
  }();
  return *fixture;
}

void RemoveIndex(const fs::path& index) {
  for (const char* suffix : {"", "-wal", "-shm"}) fs::remove(index.string() + suffix);
}

void IndexWithWorkers(benchmark::State& state, int workers) {
  const Fixture& f = TheFixture();
  const fs::path index = f.root / "threads.sqlite";
  for (auto _ : state) {
    RemoveIndex(index);
    const double cpu = Stopwatch::Cpu();
    const auto start = std::chrono::steady_clock::now();
    IndexerReport report;
    {
      IndexStore store;
      store.Open(index.string());
      IndexerOptions options;
      options.workers = workers;
      report = RunIndexer(PlanOf(f.pages.string()), store, options);
    }
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    state.SetIterationTime(seconds);
    state.counters["wall_ms"] = seconds * 1000;
    state.counters["cpu_ms"] = (Stopwatch::Cpu() - cpu) * 1000;
    state.counters["pages"] = static_cast<double>(report.pages);
    if (report.extracted != kThreadPdfs) state.SkipWithError("not every PDF was extracted");
  }
}

void BM_IndexOneWorker(benchmark::State& state) { IndexWithWorkers(state, 1); }
void BM_IndexTwoWorkers(benchmark::State& state) { IndexWithWorkers(state, 2); }

// The baseline: the 10 new PDFs extracted by one worker, nothing else.
void BM_ExtractTheTenNew(benchmark::State& state) {
  const Fixture& f = TheFixture();
  for (auto _ : state) {
    Stopwatch watch;
    {
      veldra::platform::PdfTextWorker worker(veldra::platform::FindPdfTextWorker(), {});
      for (const AttachmentSpan& span : f.new_spans) {
        if (worker.Extract(f.known.string(), span.offset, span.length).pages.size() !=
            static_cast<size_t>(kNewPdfPages)) {
          state.SkipWithError("extraction failed");
        }
      }
    }  // the worker is reaped here, so its CPU time is counted
    watch.Stop(state);
  }
}

// Index the catalog of 10,010 whose first 10,000 are indexed: open, load, plan, run.
void BM_IndexAfterTenImported(benchmark::State& state) {
  const Fixture& f = TheFixture();
  const fs::path index = f.root / "update.sqlite";
  for (auto _ : state) {
    RemoveIndex(index);
    fs::copy_file(f.base_index, index);
    Stopwatch watch;
    IndexerReport report;
    {
      IndexStore store;
      store.Open(index.string());
      const double before_plan = Stopwatch::Cpu();
      const IndexPlan plan = PlanOf(f.known.string());
      state.counters["plan_cpu_ms"] = (Stopwatch::Cpu() - before_plan) * 1000;
      IndexerOptions options;
      options.workers = 1;
      report = RunIndexer(plan, store, options);
    }
    watch.Stop(state);
    if (report.extracted != kNewPdfs) state.SkipWithError("not the 10 new PDFs");
  }
}

BENCHMARK(BM_IndexOneWorker)->Iterations(1)->Unit(benchmark::kMillisecond)->UseManualTime();
BENCHMARK(BM_IndexTwoWorkers)->Iterations(1)->Unit(benchmark::kMillisecond)->UseManualTime();
BENCHMARK(BM_ExtractTheTenNew)->Iterations(1)->Unit(benchmark::kMillisecond)->UseManualTime();
BENCHMARK(BM_IndexAfterTenImported)->Iterations(1)->Unit(benchmark::kMillisecond)->UseManualTime();

}  // namespace

int main(int argc, char** argv) {
  if (argc == 6 && std::string(argv[1]) == "--index") return IndexInChild(argv);
  if (argc == 4 && std::string(argv[1]) == "--put") return PutInChild(argv);
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  const auto setup = std::chrono::steady_clock::now();
  const Fixture& f = TheFixture();
  std::printf("set-up %.0f s\n",
              std::chrono::duration<double>(std::chrono::steady_clock::now() - setup).count());
  std::printf("the indexer, two workers: %d one-page PDFs in %.1f s, peak memory %ld kB; "
              "%d PDFs of 16 MiB of text in %.1f s, peak memory %ld kB\n",
              kKnownPdfs, f.known_run.seconds, f.known_run.peak_kb, kFloodPdfs,
              f.flood_run.seconds, f.flood_run.peak_kb);
  for (const char* kind : {"english", "japanese", "unbroken", "unbroken-pages"}) {
    const fs::path index = f.root / (std::string(kind) + ".sqlite");
    std::printf("writing a text of 16 MiB (%s): peak memory %ld kB\n", kind,
                RunChild(std::string("--put ") + kind + " " + index.string()).peak_kb);
  }
  veldra::bench::RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  reporter.PrintRatio("BM_IndexOneWorker", "BM_IndexTwoWorkers");
  reporter.PrintRatio("BM_IndexAfterTenImported", "BM_ExtractTheTenNew");
  std::error_code error;
  fs::remove_all(f.root, error);
  benchmark::Shutdown();
  return 0;
}
