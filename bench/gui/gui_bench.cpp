// The browser's costs on a catalog of 10,000 entries in 50 category triples: a click in a
// category list, a click on a column header, opening a catalog to a shown browser, and the
// start-up to a shown main frame. Each is read against the baselines of the same run: the
// catalog's Save alone (the share spent saving) and filtering and sorting alone. The two
// clicks again while the catalog's indexer runs in the background (40 of the entries carry
// real PDFs of 150 text pages; the indexer starts anew on an empty index whenever it has
// finished, so that it extracts throughout).
//
//   build-gui/bench/gui/gui_bench --benchmark_repetitions=5 --benchmark_report_aggregates_only=true
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QMdiArea>
#include <QTemporaryDir>
#include <QTest>
#include <memory>
#include <string>

#include "browser/catalog_document_host.h"
#include "browser/catalog_indexer.h"
#include "browser/category_list_ctrl.h"
#include "browser/main_window.h"
#include "browser/main_window_view.h"
#include "browser/sample_catalog.h"
#include "browser/ui_text.h"
#include "commands/entry_sort.h"
#include "shell/veldra_app.h"
#include "storage/catalog_document.h"
#include "storage/catalog_files.h"
#include "storage/catalog_table.h"
#ifdef VELDRA_BENCH_WITH_TEXT_PDFS
#include "tests/platform/viewer_test_pdf.h"
#endif

namespace veldra {
namespace {

constexpr int kEntries = 10000;
constexpr int kTriples = 50;

// The benchmark's catalog, made as name in dir (a temporary folder of the real file system).
std::string MakeBenchCatalog(const QTemporaryDir& dir, const char* name) {
  const std::string path = FromQString(dir.filePath(QString::fromLatin1(name)));
  SampleCatalogShape shape;
  shape.entries = kEntries;
  shape.triples = kTriples;
  MakeSampleCatalog(path, shape);
  return path;
}

// One catalog for the whole run.
const std::string& CatalogPath() {
  static QTemporaryDir dir;
  static const std::string path = MakeBenchCatalog(dir, "bench.vdc");
  return path;
}

#ifdef VELDRA_BENCH_WITH_TEXT_PDFS
constexpr int kIndexedPdfs = 40;
constexpr int kIndexedPages = 150;

// The same catalog, the first kIndexedPdfs entries with a PDF of text each.
const std::string& IndexedCatalogPath() {
  static QTemporaryDir dir;
  static std::string path;
  if (path.empty()) {
    path = MakeBenchCatalog(dir, "indexed.vdc");
    CVeldraDocument doc;
    doc.OpenCatalog(path);
    const QString pdf = dir.filePath("book.pdf");
    for (int i = 0; i < kIndexedPdfs; ++i) {
      QStringList pages;
      for (int p = 1; p <= kIndexedPages; ++p) {
        pages << QStringLiteral("Book %1, page %2: the quick brown fox jumps over the lazy dog.\n"
                                "形態素解析の基礎と応用、第%2ページ。").arg(i).arg(p);
      }
      testing::WriteTextPdf(pdf, pages);
      AttachPdf(EntryAt(doc.entries(), i), FromQString(pdf), path, doc.attachments(), doc.counters());
    }
    doc.Save();
  }
  return path;
}

#endif

// A browser on the catalog at path (the benchmark's by default) in its own window area.
struct OpenBrowser {
  QMdiArea area;
  CMainWindow* frame = nullptr;
  explicit OpenBrowser(const std::string& path = CatalogPath()) {
    area.resize(1200, 900);
    area.show();
    auto* host = new CatalogDocumentHost();
    host->Open(path);
    frame = new CMainWindow(host);
    area.addSubWindow(frame);
    frame->view()->OnInitialUpdate();
    frame->show();
    QCoreApplication::processEvents();
  }
  ~OpenBrowser() {
    area.closeAllSubWindows();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  }
};

void ClickItem(QListWidget* list, int row) {
  QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::NoModifier,
                    list->visualItemRect(list->item(row)).center());
}

void BM_CategoryClick(benchmark::State& state) {
  OpenBrowser browser;
  CategoryListCtrl* list = browser.frame->view()->category_list(1);
  int i = 0;
  for (auto _ : state) ClickItem(list, 1 + (i++ % 2));
}
BENCHMARK(BM_CategoryClick)->Unit(benchmark::kMillisecond);

void BM_HeaderClick(benchmark::State& state) {
  OpenBrowser browser;
  int i = 0;
  for (auto _ : state) browser.frame->view()->OnColumnClick((i++ % 2) ? 0 : 5);
}
BENCHMARK(BM_HeaderClick)->Unit(benchmark::kMillisecond);

void BM_OpenCatalogToShownBrowser(benchmark::State& state) {
  CatalogPath();
  for (auto _ : state) {
    OpenBrowser browser;
    state.PauseTiming();
    browser.area.closeAllSubWindows();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    state.ResumeTiming();
  }
}
BENCHMARK(BM_OpenCatalogToShownBrowser)->Unit(benchmark::kMillisecond);

void BM_StartUpToShownMainFrame(benchmark::State& state) {
  for (auto _ : state) {
    auto app = std::make_unique<CVeldraApp>();
    app->InitInstance({});
    QCoreApplication::processEvents();
    state.PauseTiming();
    app.reset();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    state.ResumeTiming();
  }
}
BENCHMARK(BM_StartUpToShownMainFrame)->Unit(benchmark::kMillisecond);

#ifdef VELDRA_BENCH_WITH_TEXT_PDFS
// The catalog's indexer kept at work: whenever a run has finished, a new one starts on a new,
// empty index.
struct Indexing {
  QTemporaryDir dir;
  std::unique_ptr<CatalogIndexer> indexer;
  int runs = 0;
  int64_t pages = 0;  // extracted by the runs before the one under way
  void KeepRunning(const CVeldraDocument& document) {
    QCoreApplication::processEvents();  // the progress the indexer's thread has posted
    if (indexer && indexer->running()) return;
    if (indexer) pages += indexer->progress().pages;
    indexer = std::make_unique<CatalogIndexer>(
        FromQString(dir.filePath(QStringLiteral("index%1.sqlite").arg(runs++))));
    indexer->Start(document);
  }
  int64_t Pages() const { return pages + (indexer ? indexer->progress().pages : 0); }
};

void BM_CategoryClick_WhileIndexing(benchmark::State& state) {
  OpenBrowser browser(IndexedCatalogPath());
  Indexing indexing;
  CategoryListCtrl* list = browser.frame->view()->category_list(1);
  int i = 0;
  for (auto _ : state) {
    state.PauseTiming();
    indexing.KeepRunning(*browser.frame->view()->document());
    state.ResumeTiming();
    ClickItem(list, 1 + (i++ % 2));
  }
  state.counters["pages_indexed"] = static_cast<double>(indexing.Pages());
}
BENCHMARK(BM_CategoryClick_WhileIndexing)->Unit(benchmark::kMillisecond);

void BM_HeaderClick_WhileIndexing(benchmark::State& state) {
  OpenBrowser browser(IndexedCatalogPath());
  Indexing indexing;
  int i = 0;
  for (auto _ : state) {
    state.PauseTiming();
    indexing.KeepRunning(*browser.frame->view()->document());
    state.ResumeTiming();
    browser.frame->view()->OnColumnClick((i++ % 2) ? 0 : 5);
  }
  state.counters["pages_indexed"] = static_cast<double>(indexing.Pages());
}
BENCHMARK(BM_HeaderClick_WhileIndexing)->Unit(benchmark::kMillisecond);
#endif

// Baselines.
void BM_Baseline_Save(benchmark::State& state) {
  CVeldraDocument doc;
  doc.OpenCatalog(CatalogPath());
  int i = 0;
  for (auto _ : state) {
    doc.SetEnvironmentValue("cat1list_selection", (i++ % 2) ? "A01" : "A02");
    doc.Save();
  }
}
BENCHMARK(BM_Baseline_Save)->Unit(benchmark::kMillisecond);

void BM_Baseline_FilterAndSort(benchmark::State& state) {
  CVeldraDocument doc;
  doc.OpenCatalog(CatalogPath());
  const std::string all = UiText("＜すべて＞");
  for (auto _ : state) {
    commands::ShowSortedEntries(doc, "A01", all, all, commands::SortState::Of(doc));
  }
}
BENCHMARK(BM_Baseline_FilterAndSort)->Unit(benchmark::kMillisecond);

// Every entry shown, sorted by title: the list built from sorted rows, each record copied
// once, against the filtered copy sorted afterwards (each record copied, then moved).
void BM_ShowAllSorted(benchmark::State& state) {
  CVeldraDocument doc;
  doc.OpenCatalog(CatalogPath());
  const std::string all = UiText("＜すべて＞");
  for (auto _ : state) {
    commands::ShowSortedEntries(doc, all, all, all, commands::SortState::Of(doc));
  }
}
BENCHMARK(BM_ShowAllSorted)->Unit(benchmark::kMillisecond);

void BM_Baseline_FilterAllThenSort(benchmark::State& state) {
  CVeldraDocument doc;
  doc.OpenCatalog(CatalogPath());
  const std::string all = UiText("＜すべて＞");
  for (auto _ : state) {
    RecordArray& shown = doc.FilterEntries(all, all, all);
    commands::SortDisplayedList(shown, commands::SortState::Of(doc));
  }
}
BENCHMARK(BM_Baseline_FilterAllThenSort)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace veldra

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
