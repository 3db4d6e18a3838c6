// Batch import and export of 2,000 PDFs of 100 KB, against cat and cp of the same bytes.
//
//   import_export_bench [--benchmark_repetitions=5]
//
// Set-up (not timed): a folder of 2,000 PDFs to import, and a catalog that already holds
// 2,000 entries of the same size. Each import run starts from a fresh copy of that catalog;
// the cat baseline appends the same 2,000 files to a fresh copy of it. The export run writes
// the 2,000 imported entries (with their companions) into an empty folder; the cp baseline
// copies the 2,000 files into an empty folder. Dirty pages are flushed (sync) before every
// timed run. After the benchmarks, the ratios of the medians are printed.
#include <benchmark/benchmark.h>
#include <unistd.h>

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

namespace {

namespace fs = std::filesystem;

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

void EmptyFolder(const fs::path& folder) {
  fs::remove_all(folder);
  fs::create_directories(folder);
}

void BM_ImportBatch(benchmark::State& state) {
  Fixture& f = TheFixture();
  for (auto _ : state) {
    state.PauseTiming();
    FreshCopy(f.base, f.work);
    sync();
    state.ResumeTiming();
    if (RunTool({"import", f.work.string(), f.incoming.string()}) != 0) state.SkipWithError("import");
  }
  state.SetBytesProcessed(state.iterations() * kFiles * static_cast<int64_t>(kPdfSize));
}

void BM_CatAppendBaseline(benchmark::State& state) {
  Fixture& f = TheFixture();
  std::string command = "cat";
  for (const std::string& path : f.incoming_files) command += " '" + path + "'";
  command += " >> '" + f.appended.string() + "'";
  for (auto _ : state) {
    state.PauseTiming();
    FreshCopy(f.base, f.appended);
    sync();
    state.ResumeTiming();
    if (std::system(command.c_str()) != 0) state.SkipWithError("cat");
  }
  state.SetBytesProcessed(state.iterations() * kFiles * static_cast<int64_t>(kPdfSize));
}

void BM_Export(benchmark::State& state) {
  Fixture& f = TheFixture();
  FreshCopy(f.base, f.work);
  RunTool({"import", f.work.string(), f.incoming.string()});
  std::vector<std::string> words = {"export", f.work.string(), f.out.string(), "--id"};
  words.insert(words.end(), f.imported_ids.begin(), f.imported_ids.end());
  for (auto _ : state) {
    state.PauseTiming();
    EmptyFolder(f.out);
    sync();
    state.ResumeTiming();
    if (RunTool(words) != 0) state.SkipWithError("export");
  }
  state.SetBytesProcessed(state.iterations() * kFiles * static_cast<int64_t>(kPdfSize));
}

void BM_CpBaseline(benchmark::State& state) {
  Fixture& f = TheFixture();
  const std::string command =
      "cp '" + f.incoming.string() + "'/*.pdf '" + f.out.string() + "'/";
  for (auto _ : state) {
    state.PauseTiming();
    EmptyFolder(f.out);
    sync();
    state.ResumeTiming();
    if (std::system(command.c_str()) != 0) state.SkipWithError("cp");
  }
  state.SetBytesProcessed(state.iterations() * kFiles * static_cast<int64_t>(kPdfSize));
}

BENCHMARK(BM_ImportBatch)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_CatAppendBaseline)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Export)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_CpBaseline)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

// Keeps the medians (or, without repetitions, the single runs) to print the ratios.
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs) {
      const bool median = run.run_type == Run::RT_Aggregate && run.aggregate_name == "median";
      if (median || (run.run_type == Run::RT_Iteration && !seen_median_)) {
        if (median) seen_median_ = true;
        seconds_[run.run_name.function_name] = run.GetAdjustedRealTime();
      }
    }
  }
  void PrintRatios() const {
    auto ratio = [&](const char* a, const char* b) {
      auto x = seconds_.find(a), y = seconds_.find(b);
      if (x == seconds_.end() || y == seconds_.end() || y->second <= 0) return;
      std::printf("%s / %s = %.2f\n", a, b, x->second / y->second);
    };
    ratio("BM_ImportBatch", "BM_CatAppendBaseline");
    ratio("BM_Export", "BM_CpBaseline");
  }

 private:
  std::map<std::string, double> seconds_;
  bool seen_median_ = false;
};

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  reporter.PrintRatios();
  std::error_code error;
  fs::remove_all(TheFixture().root, error);
  benchmark::Shutdown();
  return 0;
}
