// Indexing in the application: opening a catalog brings its index up to date in the
// background, the search window says how far it has come and lists the PDFs that failed,
// a PDF imported from the application is indexed next, and closing the catalog stops the
// work at once. On real files, with the stand-in text worker (tests/platform), whose PDFs
// are commands: "slow TEXT" answers TEXT after 0.2 s, "hang" never answers.
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

#include "browser/catalog_document_host.h"
#include "browser/catalog_indexer.h"
#include "browser/fake_dialog_service.h"
#include "browser/main_window.h"
#include "browser/main_window_view.h"
#include "browser/search_result_model.h"
#include "browser/search_window.h"
#include "resources/command_ids.h"
#include "shell/main_frame.h"
#include "shell/veldra_app.h"
#include "tests/shell/viewer_test_support.h"

using namespace veldra;
using namespace veldra::testing;

namespace {

std::string StandIn(const std::string& command) { return "stand-in:" + command + "\n"; }

}  // namespace

class SearchIndexingTest : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<QTemporaryDir> data_;
  std::unique_ptr<ScopedEnv> cache_, config_, temp_, worker_;
  std::unique_ptr<FakeDialogService> dialogs_;
  std::unique_ptr<ScopedDialogService> use_dialogs_;
  std::unique_ptr<CVeldraApp> app_;

  std::string Path(const char* name) const { return data_->filePath(name).toStdString(); }
  CatalogDocumentHost* Host() const { return app_->Documents().front(); }
  FullTextSearchWindow* Window() const {
    return static_cast<CMainWindow*>(Host()->browser_frame())->view()->search_window();
  }
  void Start(const std::string& catalog) {
    app_ = std::make_unique<CVeldraApp>();
    QVERIFY(app_->InitInstance({catalog}));
  }
  void Search(const QString& query) {
    app_->main_frame()->Dispatch(cmd::kFullTextSearch);
    Window()->query_field()->setText(query);
    Window()->SearchNow();
  }

 private slots:
  void init() {
    data_ = std::make_unique<QTemporaryDir>();
    cache_ = std::make_unique<ScopedEnv>("XDG_CACHE_HOME", data_->path());
    config_ = std::make_unique<ScopedEnv>("XDG_CONFIG_HOME", data_->path());
    temp_ = std::make_unique<ScopedEnv>("TMPDIR", data_->path());
    worker_ = std::make_unique<ScopedEnv>("VELDRA_PDFTEXT", QStringLiteral(PDFTEXT_TEST_WORKER));
    dialogs_ = std::make_unique<FakeDialogService>();
    use_dialogs_ = std::make_unique<ScopedDialogService>(dialogs_.get());
  }

  void cleanup() {
    app_.reset();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    use_dialogs_.reset();
    dialogs_.reset();
    worker_.reset();
    temp_.reset();
    config_.reset();
    cache_.reset();
    data_.reset();
    QCOMPARE(QApplication::topLevelWidgets().size(), 0);
  }

  void openingIndexesAndTheWindowFollows() {
    // 30 PDFs of 0.2 s each: the run takes longer than the window waits between two looks
    // at what is indexed so far.
    std::vector<ViewerTestEntry> entries;
    for (int i = 1; i <= 30; ++i) {
      entries.push_back({"Sky " + std::to_string(i), "c.pdf", StandIn("slow comet " + std::to_string(i))});
    }
    entries.push_back({"Locked", "l.pdf", StandIn("fail:encrypted")});
    QVERIFY(MakeViewerCatalog(Path("cat.vdc"), entries));
    Start(Path("cat.vdc"));
    CatalogIndexer& indexer = Host()->indexer();
    QVERIFY(indexer.running());
    Search(QStringLiteral("comet"));
    QCOMPARE(Window()->progress_label()->text().left(11), QStringLiteral("索引を作成しています "));
    QVERIFY(Window()->progress_label()->text().endsWith(QStringLiteral(" / 31")));
    // Searched while the run goes on: what is indexed so far, and said to be partial.
    QTRY_VERIFY_WITH_TIMEOUT(Window()->result_model()->rowCount() > 0, 10000);
    QVERIFY2(indexer.running(), "the run had ended: no partial results were seen");
    QVERIFY(Window()->status_label()->text().contains(QStringLiteral("本文の索引がまだないPDFが")));
    QTRY_VERIFY_WITH_TIMEOUT(!indexer.running(), 20000);
    QTRY_COMPARE(Window()->result_model()->rowCount(), 30);
    QVERIFY(!Window()->progress_label()->isVisible());
    QCOMPARE(Window()->status_label()->text(), QStringLiteral("30件見つかりました"));
    QCOMPARE(Window()->failure_list()->count(), 1);
    QCOMPARE(Window()->failure_list()->item(0)->text(),
             QStringLiteral("Locked：パスワードで保護されています"));

    // Imported from the application: indexed right away, and found.
    QFile pdf(data_->filePath("new.pdf"));
    QVERIFY(pdf.open(QIODevice::WriteOnly));
    pdf.write(StandIn("slow a new comet").c_str());
    pdf.close();
    dialogs_->file_answers.push_back(pdf.fileName().toStdString());
    app_->main_frame()->mdi_area()->setActiveSubWindow(Host()->browser_frame());
    app_->main_frame()->Dispatch(cmd::kPdfImport);
    QVERIFY(indexer.running());
    QCOMPARE(indexer.progress().total, 32);
    QTRY_VERIFY_WITH_TIMEOUT(!indexer.running(), 20000);
    QTRY_COMPARE(Window()->result_model()->rowCount(), 31);
  }

  // Closing the catalog does not wait for the worker: it is killed, and what was finished
  // stays in the index (the next opening extracts nothing of it again).
  void closingTheCatalogStopsAtOnce() {
    std::vector<ViewerTestEntry> entries = {{"Quick", "q.pdf", StandIn("slow quick")}};
    for (int i = 0; i < 4; ++i) entries.push_back({"Stuck", "s.pdf", StandIn("hang " + std::to_string(i))});
    QVERIFY(MakeViewerCatalog(Path("cat.vdc"), entries));
    Start(Path("cat.vdc"));
    QTRY_VERIFY_WITH_TIMEOUT(Host()->indexer().progress().done >= 1, 10000);
    QElapsedTimer closing;
    closing.start();
    Host()->browser_frame()->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY2(app_->Documents().empty(), "the catalog is closed");
    QVERIFY2(closing.elapsed() < 2000, qPrintable(QString::number(closing.elapsed())));

    app_->OpenCatalog(Path("cat.vdc"));
    Search(QStringLiteral("quick"));
    QCOMPARE(Window()->result_model()->rowCount(), 1);
  }
};

QTEST_MAIN(SearchIndexingTest)
#include "search_indexing_test.moc"
