// The PDF viewer's costs, each read against Qt's PDF widget alone in the same run:
//  - from the double-click in the entry list to the first page painted, on a PDF of 400
//    text pages, against a bare QPdfView loading the same file and painting its first page
//    at the same width;
//  - the peak resident memory while the viewer of a PDF of more than 300 MB opens and paints
//    its first page, against the bare QPdfView doing the same (the difference is the
//    viewer's own share: the copy, the catalog, the window);
//  - the resident memory after paging through every page of that PDF, against what it was
//    with the first page shown;
//  - from opening the viewer at a search hit (page 300 of the 400, "Page 300" highlighted on
//    it) to that page painted with the highlight, against opening the viewer and going to the
//    same page without the search.
//
//   QT_QPA_PLATFORM=offscreen build/bench/gui/viewer_bench --benchmark_repetitions=5
//     --benchmark_report_aggregates_only=true   (one command line)
#include <benchmark/benchmark.h>
#include <malloc.h>

#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <QMdiArea>
#include <QPdfDocument>
#include <QPdfPageNavigator>
#include <QPdfPageRenderer>
#include <QPdfView>
#include <QTemporaryDir>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>

#include "browser/catalog_document_host.h"
#include "browser/entry_list_ctrl.h"
#include "browser/main_window.h"
#include "browser/main_window_view.h"
#include "browser/ui_text.h"
#include "platform/viewer/component_registry.h"
#include "platform/viewer/viewer_component.h"
#include "shell/app_detail_windows.h"
#include "shell/pdf_window.h"
#include "shell/pdf_window_template.h"
#include "shell/pdf_window_view.h"
#include "resources/command_ids.h"
#include "tests/platform/viewer_test_pdf.h"
#include "tests/shell/viewer_test_support.h"

namespace veldra {
namespace {

constexpr int kTextPages = 400;
constexpr int kImagePages = 250;
constexpr int kNoiseSide = 1100;

struct Files {
  QTemporaryDir dir;
  QString text_pdf;
  QString big_pdf;
  std::string catalog;
  Files() {
    text_pdf = dir.filePath("text.pdf");
    big_pdf = dir.filePath("big.pdf");
    testing::WriteNumberedPdf(text_pdf, kTextPages);
    testing::WriteNumberedPdf(big_pdf, kImagePages, kNoiseSide);
    catalog = FromQString(dir.filePath("viewer.vdc"));
    auto bytes = [](const QString& path) {
      QFile file(path);
      file.open(QIODevice::ReadOnly);
      return file.readAll().toStdString();
    };
    testing::MakeViewerCatalog(catalog, {{"Text", "text.pdf", bytes(text_pdf)}});
    qputenv("TMPDIR", dir.path().toUtf8());
  }
};

Files& TheFiles() {
  static Files files;
  return files;
}

// Spins the event loop until view has painted page with its rendered image.
void WaitForPage(QPdfView* view, int wanted) {
  auto* renderer = view->findChild<QPdfPageRenderer*>();
  bool rendered = false;
  bool painted = false;
  QObject::connect(renderer, &QPdfPageRenderer::pageRendered, view,
                   [&](int page, QSize, const QImage&, QPdfDocumentRenderOptions, quint64) {
                     if (page == wanted) rendered = true;
                   });
  struct PaintWatch : QObject {
    bool* rendered;
    bool* painted;
    bool eventFilter(QObject*, QEvent* e) override {
      if (e->type() == QEvent::Paint && *rendered) *painted = true;
      return false;
    }
  } watch;
  watch.rendered = &rendered;
  watch.painted = &painted;
  view->viewport()->installEventFilter(&watch);
  while (!painted) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
  QCoreApplication::processEvents();
  view->viewport()->removeEventFilter(&watch);
}

void WaitForFirstPage(QPdfView* view) { WaitForPage(view, 0); }

// The application's pieces around one catalog: a window area, the browser, the template.
struct App {
  QMdiArea area;
  PdfWindowTemplate templ{&area, nullptr};
  AppDetailWindows opener{&templ};
  CMainWindow* browser = nullptr;
  explicit App(const std::string& catalog) {
    area.resize(1200, 900);
    area.show();
    auto* host = new CatalogDocumentHost();
    host->Open(catalog);
    host->set_detail_opener(&opener);
    browser = new CMainWindow(host);
    area.addSubWindow(browser);
    browser->view()->OnInitialUpdate();
    browser->show();
    browser->view()->entry_list()->SelectRows({0});
  }
  ~App() { area.closeAllSubWindows(); QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }
  CPdfWindow* Viewer() const {
    for (QMdiSubWindow* w : area.subWindowList()) {
      if (auto* viewer = qobject_cast<CPdfWindow*>(w)) return viewer;
    }
    return nullptr;
  }
};

// The size the viewer gives its pages, for the baseline to match.
QSize ViewerPageArea() {
  static QSize size;
  if (size.isEmpty()) {
    App app(TheFiles().catalog);
    app.browser->view()->OnEntryListDoubleClick();
    size = app.Viewer()->findChild<QPdfView*>()->size();
  }
  return size;
}

struct BareView {
  QPdfDocument document;
  QPdfView view;
  explicit BareView(const QString& path) {
    view.resize(ViewerPageArea());
    view.setPageMode(QPdfView::PageMode::MultiPage);
    view.setZoomMode(QPdfView::ZoomMode::FitToWidth);
    view.setDocument(&document);
    document.load(path);
    view.show();
  }
};

void BM_FirstPage_QtPdfAlone(benchmark::State& state) {
  const QString path = TheFiles().text_pdf;
  ViewerPageArea();
  for (auto _ : state) {
    auto bare = std::make_unique<BareView>(path);
    WaitForFirstPage(&bare->view);
    state.PauseTiming();
    bare.reset();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    state.ResumeTiming();
  }
}
BENCHMARK(BM_FirstPage_QtPdfAlone)->Unit(benchmark::kMillisecond);

void BM_FirstPage_Viewer(benchmark::State& state) {
  App app(TheFiles().catalog);
  for (auto _ : state) {
    app.browser->view()->OnEntryListDoubleClick();
    WaitForFirstPage(app.Viewer()->findChild<QPdfView*>());
    state.PauseTiming();
    app.Viewer()->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    state.ResumeTiming();
  }
}
BENCHMARK(BM_FirstPage_Viewer)->Unit(benchmark::kMillisecond);

// A page far into the PDF, as a search hit would name it.
constexpr int kHitPage = 300;

// From the viewer's opening to page kHitPage painted: with the hit's text found and
// highlighted on it, or (text empty) shown alone.
void OpenAtPage(benchmark::State& state, const QString& text) {
  App app(TheFiles().catalog);
  CatalogDocumentHost* host = app.browser->host();
  const int ordinal = host->document().AttachmentOrdinal(0);
  for (auto _ : state) {
    if (text.isEmpty()) {
      app.opener.OpenPdfWindow(host, 0, ordinal);
      app.Viewer()->view()->control()->Invoke(viewer::dispid::kFindText, {QString(), kHitPage});
    } else {
      app.opener.OpenPdfWindowAtHit(host, 0, ordinal, text, kHitPage);
    }
    auto* view = app.Viewer()->findChild<QPdfView*>();
    WaitForPage(view, kHitPage - 1);
    if (view->pageNavigator()->currentPage() != kHitPage - 1) state.SkipWithError("not on the page");
    if (app.Viewer()->view()->control()->Invoke(viewer::dispid::kFindString).toString() != text) {
      state.SkipWithError("the hit was not found on the page");
    }
    state.PauseTiming();
    app.Viewer()->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    state.ResumeTiming();
  }
}

void BM_HitPage_PageAlone(benchmark::State& state) { OpenAtPage(state, QString()); }
BENCHMARK(BM_HitPage_PageAlone)->Unit(benchmark::kMillisecond);

void BM_HitPage_Highlighted(benchmark::State& state) {
  OpenAtPage(state, QStringLiteral("Page %1").arg(kHitPage));
}
BENCHMARK(BM_HitPage_Highlighted)->Unit(benchmark::kMillisecond);

// Resident memory from /proc/self/status, in MB: "VmRSS" now, "VmHWM" the peak.
double StatusMb(const char* key) {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind(key, 0) == 0) {
      std::istringstream fields(line.substr(std::string(key).size() + 1));
      double kb = 0;
      fields >> kb;
      return kb / 1024.0;
    }
  }
  return 0;
}

// Starts a new peak at the current resident size.
double ResetPeak() {
  malloc_trim(0);
  std::ofstream("/proc/self/clear_refs") << "5";
  return StatusMb("VmRSS");
}

// The big PDF's catalog, with the PDF attached through the import's block copy.
const std::string& BigCatalog() {
  static std::string path;
  if (path.empty()) {
    path = FromQString(TheFiles().dir.filePath("big.vdc"));
    std::ifstream pdf(TheFiles().big_pdf.toStdString(), std::ios::binary);
    // MakeViewerCatalog takes bytes; build it once here, then drop them before measuring.
    std::string bytes((std::istreambuf_iterator<char>(pdf)), std::istreambuf_iterator<char>());
    testing::MakeViewerCatalog(path, {{"Big", "big.pdf", bytes}});
  }
  return path;
}

void BM_PeakMemory_QtPdfAlone(benchmark::State& state) {
  ViewerPageArea();
  BigCatalog();
  for (auto _ : state) {
    const double before = ResetPeak();
    {
      BareView bare(TheFiles().big_pdf);
      WaitForFirstPage(&bare.view);
      state.counters["peak_above_start_MB"] = StatusMb("VmHWM") - before;
    }
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  }
  state.counters["pdf_MB"] = QFileInfo(TheFiles().big_pdf).size() / 1048576.0;
}
BENCHMARK(BM_PeakMemory_QtPdfAlone)->Iterations(1)->Unit(benchmark::kMillisecond);

void BM_PeakMemory_Viewer(benchmark::State& state) {
  ViewerPageArea();
  const std::string& catalog = BigCatalog();
  for (auto _ : state) {
    const double before = ResetPeak();
    {
      App app(catalog);
      app.browser->view()->OnEntryListDoubleClick();
      WaitForFirstPage(app.Viewer()->findChild<QPdfView*>());
      state.counters["peak_above_start_MB"] = StatusMb("VmHWM") - before;
    }
  }
}
BENCHMARK(BM_PeakMemory_Viewer)->Iterations(1)->Unit(benchmark::kMillisecond);

void BM_PagingMemory_Viewer(benchmark::State& state) {
  App app(BigCatalog());
  for (auto _ : state) {
    app.browser->view()->OnEntryListDoubleClick();
    auto* view = app.Viewer()->findChild<QPdfView*>();
    WaitForFirstPage(view);
    malloc_trim(0);
    const double first = StatusMb("VmRSS");
    QPdfPageNavigator* navigator = view->pageNavigator();
    const int pages = view->document()->pageCount();
    for (int page = 1; page < pages; ++page) {
      app.Viewer()->view()->RunCommand(cmd::kPdfNextPage);
      WaitForPage(view, page);
      if (navigator->currentPage() != page) state.SkipWithError("paging went astray");
    }
    QCoreApplication::processEvents();
    malloc_trim(0);
    state.counters["rss_first_page_MB"] = first;
    state.counters["growth_after_all_pages_MB"] = StatusMb("VmRSS") - first;
    state.counters["pages"] = pages;
    app.Viewer()->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  }
}
BENCHMARK(BM_PagingMemory_Viewer)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace veldra

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  veldra::viewer::ScopedComponentFolder components(VELDRA_COMPONENT_FOLDER "/");
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
