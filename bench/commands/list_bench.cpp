// veldra-cli "list" and "list --json" of a catalog of 10,000 entries, against "categories"
// of the same catalog in the same run: all three load the whole catalog; "categories" then
// prints 51 lines, so what "list" costs beyond it is filtering, sorting and printing.
//
//   list_bench [--benchmark_repetitions=5 --benchmark_report_aggregates_only=true]
//   list_bench --make-catalog PATH     writes the catalog to PATH and ends (to compare output)
//
// The catalog is laid out as imports lay it out (attachment data of 1 KB, entry, attachment
// link, one after the other), in 50 category triples, with Japanese titles and names, notes
// holding characters the outputs escape, and many equal titles (the id decides). Each
// command runs in this process through the tool's own entry point, output into memory. The
// time of a run is CPU time; the ratios of the medians are printed after the benchmarks.
#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "cli/tool.h"
#include "platform/codepage.h"
#include "storage/catalog_document.h"
#include "storage/catalog_files.h"
#include "storage/catalog_table.h"
#include "storage/catalog_tags.h"
#include "bench/commands/ratio_reporter.h"

namespace {

namespace fs = std::filesystem;
using namespace veldra;

constexpr int kEntries = 10000;
constexpr int kTriples = 50;
constexpr size_t kPdfSize = 1024;

std::string Cp932(const std::string& utf8) {
  std::string out;
  platform::Utf8ToCp932Exact(utf8, &out);
  return out;
}

const char* const kTitles[] = {"C++ 実践プログラミング", "Qt 6 による GUI 開発", "線形代数の基礎",
                               "組込みシステム設計", "データベース設計の原則", "確率と統計",
                               "Title \"quoted\"", "path C:\\docs\\manual"};
const char* const kAuthors[] = {"山田 太郎", "佐藤 花子", "鈴木 一郎", "", "Smith, J."};
const char* const kNotes[] = {"", "一行目\n二行目", "tab\there", "＜メモ＞", "ctrl \x01 byte"};

// Writes the catalog; false when it cannot be made.
bool MakeCatalog(const std::string& path) {
  if (!CreateDefaultCatalog(path)) return false;
  {
    CVeldraDocument doc;
    doc.OpenCatalog(path);
    for (int t = 0; t < kTriples; ++t) {
      char names[3][32];
      std::snprintf(names[0], sizeof names[0], "技術書%02d", t % 10);
      std::snprintf(names[1], sizeof names[1], "B%02d", t % 5);
      std::snprintf(names[2], sizeof names[2], "C%02d", t);
      NewCategoryRecord(doc.categories(), doc.counters(), Cp932(names[0]), Cp932(names[1]),
                        Cp932(names[2]));
    }
    if (doc.Save() != kSaveOk) return false;
  }
  ChunkFile file;
  if (file.Open(path, kChunkModeReadWrite) != kChunkOk) return false;
  std::vector<uint8_t> pdf(kPdfSize, '%');
  std::vector<uint8_t> record(EntryRecord::kEncodedLength);
  bool ok = true;
  for (int i = 0; i < kEntries && ok; ++i) {
    const int t = i % kTriples;
    char text[3][64];
    std::snprintf(text[0], sizeof text[0], "技術書%02d", t % 10);
    std::snprintf(text[1], sizeof text[1], "B%02d", t % 5);
    std::snprintf(text[2], sizeof text[2], "C%02d", t);
    EntryRecord e;
    e.id = i + 1;
    for (int k = 0; k < 3; ++k) e.category_names[k].SetText(Cp932(text[k]));
    e.title.SetText(Cp932(std::string(kTitles[(i * 7) % 8]) + " " + std::to_string(i % 300)));
    std::snprintf(text[0], sizeof text[0], "doc%05d.pdf", i);
    e.file_name.SetText(text[0]);
    e.file_path.SetText(std::string("/home/user/pdf/") + text[0]);
    e.author_name.SetText(Cp932(kAuthors[i % 5]));
    e.publisher_name.SetText(Cp932("技術評論社"));
    e.note.SetText(Cp932(kNotes[i % 5]));
    e.my_rate = static_cast<int16_t>(i % 6);
    e.file_size = 50000 + (i * 37717) % 9000000;
    std::snprintf(text[0], sizeof text[0], "2024%02d%02d%02d%02d00000", 1 + i % 12, 1 + i % 28,
                  i % 24, i % 60);
    std::memcpy(e.update_date.bytes.data(), text[0], 17);
    std::memcpy(e.create_date.bytes.data(), text[0], 17);
    e.window_position = {10, 20, static_cast<int16_t>(300 + i % 7), -400};
    e.entry_window_ordered_index = -1;
    e.pdf_window_ordered_index = -1;
    e.EncodeTo(record.data());
    AttachmentRecord link;
    link.id = i;
    link.entry_id = e.id;
    link.ordinal = i;
    ok = file.Append(kTagAttachmentData, pdf.size(), pdf.data()) == kChunkOk &&
         file.Append(kTagEntry, EntryRecord::kEncodedLength, record.data()) == kChunkOk;
    link.EncodeTo(record.data());
    ok = ok && file.Append(kTagAttachment, AttachmentRecord::kEncodedLength, record.data()) ==
                   kChunkOk;
  }
  return file.Close() == kChunkOk && ok;
}

const std::string& CatalogPath() {
  static const std::string path = [] {
    std::string pattern = (fs::temp_directory_path() / "veldra-list-bench-XXXXXX").string();
    const std::string folder = mkdtemp(pattern.data());
    const std::string catalog = folder + "/list.vdc";
    if (!MakeCatalog(catalog)) std::cerr << "cannot make " << catalog << "\n";
    return catalog;
  }();
  return path;
}

double CpuSeconds() {
  rusage self{};
  getrusage(RUSAGE_SELF, &self);
  auto seconds = [](const timeval& t) { return t.tv_sec + t.tv_usec / 1e6; };
  return seconds(self.ru_utime) + seconds(self.ru_stime);
}

void RunTimed(benchmark::State& state, const std::vector<std::string>& words) {
  const std::string& catalog = CatalogPath();
  std::vector<std::string> args = words;
  args.insert(args.begin() + 1, catalog);
  size_t bytes = 0;
  for (auto _ : state) {
    std::ostringstream out, err;
    const double start = CpuSeconds();
    const int code = veldra::cli::RunCli(args, out, err);
    state.SetIterationTime(CpuSeconds() - start);
    if (code != 0) state.SkipWithError(err.str().c_str());
    bytes = out.str().size();
  }
  state.counters["output_kb"] = static_cast<double>(bytes) / 1024;
}

void BM_Categories(benchmark::State& state) { RunTimed(state, {"categories"}); }
void BM_List(benchmark::State& state) { RunTimed(state, {"list"}); }
void BM_ListJson(benchmark::State& state) { RunTimed(state, {"list", "--json"}); }

BENCHMARK(BM_Categories)->Unit(benchmark::kMillisecond)->UseManualTime()->MinTime(1.0);
BENCHMARK(BM_List)->Unit(benchmark::kMillisecond)->UseManualTime()->MinTime(1.0);
BENCHMARK(BM_ListJson)->Unit(benchmark::kMillisecond)->UseManualTime()->MinTime(1.0);

}  // namespace

int main(int argc, char** argv) {
  if (argc == 3 && std::strcmp(argv[1], "--make-catalog") == 0) {
    return MakeCatalog(argv[2]) ? 0 : 1;
  }
  benchmark::Initialize(&argc, argv);
  veldra::bench::RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  reporter.PrintRatio("BM_List", "BM_Categories");
  reporter.PrintRatio("BM_ListJson", "BM_Categories");
  std::error_code error;
  fs::remove_all(fs::path(CatalogPath()).parent_path(), error);
  benchmark::Shutdown();
  return 0;
}
