// Batch import and export of 2,000 PDFs of 100 KB, against cat and cp of the same bytes.
//
//   import_export_bench [--benchmark_repetitions=5]
//
// Set-up (not timed): a folder of 2,000 PDFs to import, and a catalog that already holds
// 2,000 entries of the same size. Each import run starts from a fresh copy of that catalog;
// the cat baseline appends the same 2,000 files to a fresh copy of it. The export run writes
// the 2,000 imported entries (with their companions) into a new folder; the cp baseline
// copies the 2,000 files into a new folder. Dirty pages are flushed (sync) before every
// timed run. The time of a run is its CPU time (this process and the tools it starts);
// wall time is kept beside it as the counter wall_ms. After the benchmarks, the ratios of
// the medians are printed, on both.
#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <unistd.h>

#include <chrono>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "cli/tool.h"
#include "tests/commands/test_pdf.h"
#include "bench/commands/ratio_reporter.h"

namespace {

namespace fs = std::filesystem;
using veldra::bench::Stopwatch;

constexpr int kFiles = 2000;
constexpr size_t kPdfSize = 100 * 1024;

struct Fixture {
  fs::path root;
  fs::path incoming;   // the PDFs to import
  fs::path base;       // the catalog with 2,000 entries
  fs::path work;       // the catalog an import run works on
  fs::path appended;   // the file cat appends to
  fs::path out;        // export and cp target folder
  std::vector<std::string> incoming_files;
  std::vector<std::string> imported_ids;  // the entries the export writes
};

int RunTool(const std::vector<std::string>& words) {
  std::ostringstream out, err;
  int code = veldra::cli::RunCli(words, out, err);
  if (code != 0) std::cerr << words[0] << " failed: " << err.str();
  return code;
}

void WritePdfs(const fs::path& folder, const std::string& prefix, std::vector<std::string>* paths) {
  fs::create_directories(folder);
  for (int i = 0; i < kFiles; ++i) {
    char name[32];
    std::snprintf(name, sizeof name, "%s%04d.pdf", prefix.c_str(), i);
    const fs::path path = folder / name;
    veldra::testing::WritePdfFile(path.string(), prefix + std::to_string(i), kPdfSize);
    if (paths != nullptr) paths->push_back(path.string());
  }
}

Fixture& TheFixture() {
  static Fixture* fixture = [] {
    auto* f = new Fixture;
    std::string pattern = (fs::temp_directory_path() / "veldra-bench-XXXXXX").string();
    f->root = mkdtemp(pattern.data());
    f->incoming = f->root / "incoming";
    f->base = f->root / "base.vdc";
    f->work = f->root / "work.vdc";
    f->appended = f->root / "appended.bin";
    f->out = f->root / "out";
    WritePdfs(f->root / "existing", "old", nullptr);
    WritePdfs(f->incoming, "new", &f->incoming_files);
    RunTool({"new", f->base.string()});
    RunTool({"import", f->base.string(), (f->root / "existing").string()});
    for (int i = 0; i < kFiles; ++i) f->imported_ids.push_back(std::to_string(kFiles + i));
    return f;
  }();
  return *fixture;
}

void FreshCopy(const fs::path& from, const fs::path& to) {
  fs::copy_file(from, to, fs::copy_options::overwrite_existing);
}

// A new, empty folder for each run. Folders are removed only at the end: deleting thousands
// of files between runs makes the file system's next creations slower, and the export
// creates twice as many files (each PDF with its companion) as cp.
fs::path NewFolder(const Fixture& f) {
  static int serial = 0;
  fs::path folder = f.out / std::to_string(++serial);
  fs::create_directories(folder);
  return folder;
}

void BM_ImportBatch(benchmark::State& state) {
  Fixture& f = TheFixture();
  for (auto _ : state) {
    FreshCopy(f.base, f.work);
    sync();
    Stopwatch watch;
    if (RunTool({"import", f.work.string(), f.incoming.string()}) != 0) state.SkipWithError("import");
    watch.Stop(state);
  }
  state.SetBytesProcessed(state.iterations() * kFiles * static_cast<int64_t>(kPdfSize));
}

void BM_CatAppendBaseline(benchmark::State& state) {
  Fixture& f = TheFixture();
  std::string command = "cat";
  for (const std::string& path : f.incoming_files) command += " '" + path + "'";
  command += " >> '" + f.appended.string() + "'";
  for (auto _ : state) {
    FreshCopy(f.base, f.appended);
    sync();
    Stopwatch watch;
    if (std::system(command.c_str()) != 0) state.SkipWithError("cat");
    watch.Stop(state);
  }
  state.SetBytesProcessed(state.iterations() * kFiles * static_cast<int64_t>(kPdfSize));
}

void BM_Export(benchmark::State& state) {
  Fixture& f = TheFixture();
  FreshCopy(f.base, f.work);
  RunTool({"import", f.work.string(), f.incoming.string()});
  std::vector<std::string> words = {"export", f.work.string(), "", "--id"};
  words.insert(words.end(), f.imported_ids.begin(), f.imported_ids.end());
  for (auto _ : state) {
    words[2] = NewFolder(f).string();
    sync();
    Stopwatch watch;
    if (RunTool(words) != 0) state.SkipWithError("export");
    watch.Stop(state);
  }
  state.SetBytesProcessed(state.iterations() * kFiles * static_cast<int64_t>(kPdfSize));
}

void BM_CpBaseline(benchmark::State& state) {
  Fixture& f = TheFixture();
  for (auto _ : state) {
    const std::string command =
        "cp '" + f.incoming.string() + "'/*.pdf '" + NewFolder(f).string() + "'/";
    sync();
    Stopwatch watch;
    if (std::system(command.c_str()) != 0) state.SkipWithError("cp");
    watch.Stop(state);
  }
  state.SetBytesProcessed(state.iterations() * kFiles * static_cast<int64_t>(kPdfSize));
}

BENCHMARK(BM_ImportBatch)->Iterations(1)->Unit(benchmark::kMillisecond)->UseManualTime();
BENCHMARK(BM_CatAppendBaseline)->Iterations(1)->Unit(benchmark::kMillisecond)->UseManualTime();
BENCHMARK(BM_Export)->Iterations(1)->Unit(benchmark::kMillisecond)->UseManualTime();
BENCHMARK(BM_CpBaseline)->Iterations(1)->Unit(benchmark::kMillisecond)->UseManualTime();

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  veldra::bench::RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  reporter.PrintRatio("BM_ImportBatch", "BM_CatAppendBaseline");
  reporter.PrintRatio("BM_Export", "BM_CpBaseline");
  std::error_code error;
  fs::remove_all(TheFixture().root, error);
  benchmark::Shutdown();
  return 0;
}
