// The browser's costs on a catalog of 10,000 entries in 50 category triples: a click in a
// category list, a click on a column header, opening a catalog to a shown browser, and the
// start-up to a shown main frame. Each is read against the baselines of the same run: the
// catalog's Save alone (the share spent saving) and filtering and sorting alone.
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
#include "browser/category_list_ctrl.h"
#include "browser/main_window.h"
#include "browser/main_window_view.h"
#include "browser/sample_catalog.h"
#include "browser/ui_text.h"
#include "commands/entry_sort.h"
#include "shell/veldra_app.h"
#include "storage/catalog_document.h"

namespace veldra {
namespace {

constexpr int kEntries = 10000;
constexpr int kTriples = 50;

// One catalog for the whole run, in a temporary folder of the real file system.
const std::string& CatalogPath() {
  static QTemporaryDir dir;
  static std::string path;
  if (path.empty()) {
    path = FromQString(dir.path()) + "/bench.vdc";
    SampleCatalogShape shape;
    shape.entries = kEntries;
    shape.triples = kTriples;
    MakeSampleCatalog(path, shape);
  }
  return path;
}

// A browser on the catalog in its own window area.
struct OpenBrowser {
  QMdiArea area;
  CMainWindow* frame = nullptr;
  OpenBrowser() {
    area.resize(1200, 900);
    area.show();
    auto* host = new CatalogDocumentHost();
    host->Open(CatalogPath());
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
