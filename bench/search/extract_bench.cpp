// Text extraction: the text worker (veldra-pdftext, poppler's C++ library) against pdftotext
// (poppler-utils) and QtPdf (the viewer's engine, QPdfDocument::getAllText per page), one
// process per PDF each; and two workers on two threads against one.
//
//   QT_QPA_PLATFORM=offscreen extract_bench [--benchmark_repetitions=5]
//
// Set-up (not timed): 4 generated PDFs of 150 pages of Japanese and English text
// (WriteTextPdf, IPAex Gothic), plus the PDFs in /usr/share/doc's libtasn1-doc and
// shared-mime-info folders where they are installed. The time of a run is the CPU time of
// this process and the processes it started (the worker is reaped within the run); wall
// time is the counter wall_ms. The two-worker runs are timed on wall time, which is what
// two cores save, with their CPU time beside it (cpu_ms). The ratios of the medians are
// printed at the end.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QGuiApplication>
#include <QStringList>
#include <algorithm>
#include <atomic>
#include <cstdio>
#include <filesystem>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "bench/commands/ratio_reporter.h"
#include "bench/search/mixed_text_pdf.h"
#include "platform/pdf_text_worker.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;
using veldra::bench::Stopwatch;
using veldra::platform::PdfTextFailure;
using veldra::platform::PdfTextResult;
using veldra::platform::PdfTextWorker;

constexpr int kGeneratedPdfs = 4;
constexpr int kPagesEach = 150;

struct Pdf {
  std::string path;  // ASCII: the same bytes in CP932 and UTF-8
  int64_t size = 0;
  bool generated = false;
};

struct Fixture {
  fs::path root;
  std::vector<Pdf> pdfs;
};

Fixture& TheFixture() {
  static Fixture* fixture = [] {
    auto* f = new Fixture;
    std::string pattern = (fs::temp_directory_path() / "veldra-extract-XXXXXX").string();
    f->root = mkdtemp(pattern.data());
    std::mt19937 random(18);
    for (int i = 0; i < kGeneratedPdfs; ++i) {
      const fs::path path = f->root / ("generated" + std::to_string(i) + ".pdf");
      if (!veldra::bench::WriteMixedTextPdf(path.string(), kPagesEach, &random)) {
        std::fprintf(stderr, "cannot write %s\n", path.c_str());
        std::exit(1);
      }
      f->pdfs.push_back({path.string(), static_cast<int64_t>(fs::file_size(path)), true});
    }
    for (const char* folder : {"/usr/share/doc/libtasn1-doc", "/usr/share/doc/shared-mime-info"}) {
      std::error_code error;
      std::vector<fs::path> docs;
      for (const fs::directory_entry& doc : fs::directory_iterator(folder, error)) {
        if (doc.path().extension() == ".pdf") docs.push_back(doc.path());
      }
      std::sort(docs.begin(), docs.end());
      for (const fs::path& doc : docs) {
        f->pdfs.push_back({doc.string(), static_cast<int64_t>(fs::file_size(doc))});
      }
    }
    return f;
  }();
  return *fixture;
}

// Runs argv with its output thrown away; true when it ended with 0.
bool RunQuietly(const std::vector<std::string>& argv) {
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
  std::vector<char*> args;
  for (const std::string& arg : argv) args.push_back(const_cast<char*>(arg.c_str()));
  args.push_back(nullptr);
  pid_t pid = -1;
  const int spawned = posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  int status = 0;
  return spawned == 0 && waitpid(pid, &status, 0) == pid && WIFEXITED(status) &&
         WEXITSTATUS(status) == 0;
}

bool Extracted(const PdfTextResult& result) {
  return result.failure == PdfTextFailure::kNone && !result.pages.empty();
}

void BM_Pdftotext(benchmark::State& state) {
  const Fixture& f = TheFixture();
  if (!RunQuietly({"pdftotext", "-v"})) {
    state.SkipWithError("pdftotext is missing: apt-get install poppler-utils");
    return;
  }
  for (auto _ : state) {
    Stopwatch watch;
    for (const Pdf& pdf : f.pdfs) {
      if (!RunQuietly({"pdftotext", "-enc", "UTF-8", pdf.path, "-"})) state.SkipWithError("pdftotext");
    }
    watch.Stop(state);
  }
}

void BM_QtPdfGetAllText(benchmark::State& state) {
  const Fixture& f = TheFixture();
  for (auto _ : state) {
    Stopwatch watch;
    for (const Pdf& pdf : f.pdfs) {
      if (!RunQuietly({QTPDF_TEXT, pdf.path})) state.SkipWithError("qtpdf_text");
    }
    watch.Stop(state);
  }
}

// A worker process per PDF, as pdftotext is one.
void BM_WorkerPerPdf(benchmark::State& state) {
  const Fixture& f = TheFixture();
  const std::string worker_path = veldra::platform::FindPdfTextWorker();
  for (auto _ : state) {
    Stopwatch watch;
    int pages = 0;
    for (const Pdf& pdf : f.pdfs) {
      PdfTextWorker worker(worker_path, {});
      const PdfTextResult result = worker.Extract(pdf.path, 0, pdf.size);
      if (!Extracted(result)) state.SkipWithError("worker");
      pages += static_cast<int>(result.pages.size());
    }
    watch.Stop(state);
    state.counters["pages"] = pages;
  }
}

// One worker process for all PDFs, as the indexer runs it.
void BM_WorkerReused(benchmark::State& state) {
  const Fixture& f = TheFixture();
  const std::string worker_path = veldra::platform::FindPdfTextWorker();
  for (auto _ : state) {
    Stopwatch watch;
    {
      PdfTextWorker worker(worker_path, {});
      for (const Pdf& pdf : f.pdfs) {
        if (!Extracted(worker.Extract(pdf.path, 0, pdf.size))) state.SkipWithError("worker");
      }
    }  // the process is reaped here, so its CPU time is counted
    watch.Stop(state);
  }
}

// The generated PDFs, twice, shared out to threads of one worker each as they come free.
void ExtractOnThreads(benchmark::State& state, int threads) {
  const Fixture& f = TheFixture();
  std::vector<const Pdf*> work;
  for (int round = 0; round < 2; ++round) {
    for (const Pdf& pdf : f.pdfs) {
      if (pdf.generated) work.push_back(&pdf);
    }
  }
  const std::string worker_path = veldra::platform::FindPdfTextWorker();
  for (auto _ : state) {
    std::atomic<size_t> next{0};
    std::atomic<bool> failed{false};
    const double cpu = Stopwatch::Cpu();
    const auto start = std::chrono::steady_clock::now();
    std::vector<std::thread> pool;
    for (int t = 0; t < threads; ++t) {
      pool.emplace_back([&] {
        PdfTextWorker worker(worker_path, {});
        for (size_t i = next++; i < work.size(); i = next++) {
          if (!Extracted(worker.Extract(work[i]->path, 0, work[i]->size))) failed = true;
        }
      });
    }
    for (std::thread& thread : pool) thread.join();
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    state.SetIterationTime(seconds);
    state.counters["wall_ms"] = seconds * 1000;
    // The CPU time of the workers (reaped when their threads end) and of this process: the
    // same with two workers as with one, when running two costs nothing extra.
    state.counters["cpu_ms"] = (Stopwatch::Cpu() - cpu) * 1000;
    if (failed) state.SkipWithError("worker");
  }
}

void BM_OneWorker(benchmark::State& state) { ExtractOnThreads(state, 1); }
void BM_TwoWorkers(benchmark::State& state) { ExtractOnThreads(state, 2); }

BENCHMARK(BM_Pdftotext)->Iterations(1)->Unit(benchmark::kMillisecond)->UseManualTime();
BENCHMARK(BM_WorkerPerPdf)->Iterations(1)->Unit(benchmark::kMillisecond)->UseManualTime();
BENCHMARK(BM_WorkerReused)->Iterations(1)->Unit(benchmark::kMillisecond)->UseManualTime();
BENCHMARK(BM_QtPdfGetAllText)->Iterations(1)->Unit(benchmark::kMillisecond)->UseManualTime();
BENCHMARK(BM_OneWorker)->Iterations(1)->Unit(benchmark::kMillisecond)->UseManualTime();
BENCHMARK(BM_TwoWorkers)->Iterations(1)->Unit(benchmark::kMillisecond)->UseManualTime();

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  TheFixture();
  veldra::bench::RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  reporter.PrintRatio("BM_WorkerPerPdf", "BM_Pdftotext");
  reporter.PrintRatio("BM_WorkerReused", "BM_Pdftotext");
  reporter.PrintRatio("BM_QtPdfGetAllText", "BM_Pdftotext");
  reporter.PrintRatio("BM_OneWorker", "BM_TwoWorkers");
  std::error_code error;
  fs::remove_all(TheFixture().root, error);
  benchmark::Shutdown();
  return 0;
}
