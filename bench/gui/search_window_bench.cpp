// The search window on a catalog of 10,000 PDFs whose texts are indexed (the search
// benchmark's corpus, bench/search/search_corpus.h: 20 pages each, 410 MB of generated
// Japanese and English text): from a query in the field to the result list painted,
// against the search core alone on the same catalog and index in the same run (the search
// veldra-cli runs before it prints). The field's pause after the last keystroke
// (FullTextSearchWindow::kDebounceMs) comes on top of what is timed here.
//
//   QT_QPA_PLATFORM=offscreen build/bench/gui/search_window_bench --benchmark_repetitions=5
//     --benchmark_report_aggregates_only=true   (one command line)
//
// Set-up (not timed): the index is the search benchmark's, copied to
// $TMPDIR/veldra-search-window-bench-v<schema>.sqlite when that one exists (else written,
// which takes minutes); a catalog of 10,000 entries, one PDF each, whose entry keys the index
// is told (as the indexer tells it), kept as $TMPDIR/veldra-search-window-bench.vdc.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QMdiArea>
#include <QTableView>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "bench/commands/ratio_reporter.h"
#include "bench/search/search_corpus.h"
#include "browser/catalog_document_host.h"
#include "browser/main_window.h"
#include "browser/main_window_view.h"
#include "browser/search_result_model.h"
#include "browser/search_window.h"
#include "platform/codepage.h"
#include "platform/platform.h"
#include "search/index_plan.h"
#include "tests/shell/viewer_test_support.h"

namespace veldra {
namespace {

struct Setup {
  std::unique_ptr<bench::SearchCorpus> corpus;
  std::string index_path;
  std::string catalog_path;
};

Setup* setup = nullptr;

bool MakeCatalog(const std::string& path, const bench::SearchCorpus& corpus) {
  CVeldraDocument existing;
  existing.Load(path);
  if (existing.entries().Count() == corpus.shape().documents) return true;
  std::fprintf(stderr, "making the catalog at %s ...\n", path.c_str());
  std::remove(path.c_str());
  std::vector<testing::ViewerTestEntry> entries;
  for (int i = 0; i < corpus.shape().documents; ++i) {
    entries.push_back({corpus.Title(i), std::to_string(i) + ".pdf",
                       "%PDF-1.4\n% search window bench " + std::to_string(i) + "\n"});
  }
  return testing::MakeViewerCatalog(path, entries);
}

bool Prepare(Setup& s) {
  s.corpus = std::make_unique<bench::SearchCorpus>(bench::CorpusShape{});
  const std::string temp = platform::Platform::Real().TempFolder();
  s.index_path = temp + "veldra-search-window-bench-v" +
                 std::to_string(search::IndexStore::kSchemaVersion) + ".sqlite";
  const std::string searched = temp + "veldra-search-bench-10000x20-2000-18-v" +
                               std::to_string(search::IndexStore::kSchemaVersion) + ".sqlite";
  std::error_code error;
  if (!std::filesystem::exists(s.index_path) && std::filesystem::exists(searched)) {
    std::filesystem::copy_file(searched, s.index_path, error);
  }
  search::IndexStore store;
  if (!bench::OpenCorpusIndex(*s.corpus, s.index_path, store)) return false;
  s.catalog_path = temp + "veldra-search-window-bench.vdc";
  if (!MakeCatalog(s.catalog_path, *s.corpus)) return false;
  // The index learns which text each entry's PDF has, as the indexer teaches it.
  CVeldraDocument document;
  document.Load(s.catalog_path);
  const search::IndexPlan plan = search::MakeIndexPlan(document);
  std::vector<std::pair<search::Digest, search::Digest>> keys;
  for (const search::PlannedPdf& pdf : plan.pdfs) {
    keys.emplace_back(pdf.key, bench::CorpusDigest(pdf.entry_id));
  }
  return store.RememberKeys(keys) == search::StoreProblem::kNone;
}

// The catalog's browser with its search window, open and shown.
struct OpenWindow {
  QMdiArea area;
  CMainWindow* browser = nullptr;
  FullTextSearchWindow* window = nullptr;
  explicit OpenWindow(bool narrowing) {
    area.resize(1200, 900);
    area.show();
    auto* host = new CatalogDocumentHost();
    host->Open(setup->catalog_path);
    browser = new CMainWindow(host);
    area.addSubWindow(browser);
    browser->view()->OnInitialUpdate();
    browser->show();
    window = new FullTextSearchWindow(browser->view(), setup->index_path);
    window->narrow_box()->setChecked(narrowing);
    window->Present();
    QCoreApplication::processEvents();
  }
  ~OpenWindow() {
    area.closeAllSubWindows();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  }
  // The query typed, searched and the list painted.
  size_t Search(const std::string& utf8) {
    window->query_field()->setText(QString::fromStdString(utf8));
    window->SearchNow();
    window->result_list()->viewport()->repaint();
    return static_cast<size_t>(window->result_model()->rowCount());
  }
};

// The queries alternate between two terms, so that every search changes the list.
void BM_Core(benchmark::State& state, std::vector<std::string> queries) {
  CVeldraDocument document;
  document.Load(setup->catalog_path);
  search::IndexStore store;
  store.Open(setup->index_path);
  search::CatalogSearch search(store);
  search.set_entry_texts(search::LookUpEntryTexts(search::MakeIndexPlan(document), store));
  search.Run(document, search::ParseQuery(queries[0]));  // as a second search of the window
  size_t i = 0;
  size_t entries = 0;
  for (auto _ : state) {
    entries = search.Run(document, search::ParseQuery(queries[i++ % queries.size()])).entries.size();
  }
  state.counters["entries"] = static_cast<double>(entries);
}

void BM_Window(benchmark::State& state, std::vector<std::string> queries, bool narrowing) {
  OpenWindow open(narrowing);
  open.Search(queries[0]);
  size_t i = 0;
  size_t entries = 0;
  for (auto _ : state) entries = open.Search(queries[i++ % queries.size()]);
  state.counters["entries"] = static_cast<double>(entries);
}

}  // namespace
}  // namespace veldra

int main(int argc, char** argv) {
  using namespace veldra;
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  setup = new Setup;
  if (!Prepare(*setup)) {
    std::fprintf(stderr, "the index or the catalog could not be made in $TMPDIR\n");
    return 1;
  }
  const bench::SearchCorpus& corpus = *setup->corpus;
  // A common and a rarer word (5,449 and 694 of the 10,000 PDFs), and two ANDs of three.
  const std::vector<std::string> terms = {corpus.JapaneseWordFrom(100, 2),
                                          corpus.JapaneseWordFrom(2000, 2)};
  const std::vector<std::string> ands = {
      corpus.JapaneseWordFrom(20, 2) + " " + corpus.JapaneseWordFrom(60, 2) + " " +
          corpus.KatakanaWord(5),
      corpus.JapaneseWordFrom(30, 2) + " " + corpus.JapaneseWordFrom(70, 2) + " " +
          corpus.KatakanaWord(6)};
  for (const auto& [name, queries] : {std::pair{"terms", terms}, std::pair{"and3", ands}}) {
    benchmark::RegisterBenchmark((std::string("BM_Core/") + name).c_str(), BM_Core, queries)
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark((std::string("BM_Window/") + name).c_str(), BM_Window, queries,
                                 false)
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark((std::string("BM_WindowNarrowing/") + name).c_str(), BM_Window,
                                 queries, true)
        ->Unit(benchmark::kMillisecond);
  }
  bench::RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  for (const char* name : {"terms", "and3"}) {
    reporter.PrintRatio((std::string("BM_Window/") + name).c_str(),
                        (std::string("BM_Core/") + name).c_str());
    reporter.PrintRatio((std::string("BM_WindowNarrowing/") + name).c_str(),
                        (std::string("BM_Core/") + name).c_str());
  }
  benchmark::Shutdown();
  return 0;
}
