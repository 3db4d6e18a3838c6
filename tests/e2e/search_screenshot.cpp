// veldra_search_screenshot SEARCH_OUTPUT.png VIEWER_OUTPUT.png FOLDER: makes in FOLDER four
// PDFs of Japanese and English text and a catalog of them, opens it in the application,
// which indexes them in the background, searches "形態素解析" in the catalog's search window
// with the list narrowed to the hits, and saves a picture of the window; then opens the
// first hit and saves the main window with the viewer at the page, the word highlighted.
// Used by scripts/screenshot.sh for the documentation.
#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPainter>
#include <QTimer>
#include <cstdio>
#include <string>
#include <vector>

#include "browser/catalog_document_host.h"
#include "browser/catalog_indexer.h"
#include "browser/main_window.h"
#include "browser/main_window_view.h"
#include "browser/search_window.h"
#include "browser/ui_text.h"
#include "commands/import_pdfs.h"
#include "resources/app_icon.h"
#include "shell/app_font.h"
#include "shell/main_frame.h"
#include "shell/veldra_app.h"
#include "storage/catalog_document.h"
#include "storage/catalog_files.h"
#include "tests/platform/viewer_test_pdf.h"

namespace {

struct Book {
  const char* file;
  const char* title;
  const char* author;
  std::vector<const char*> pages;  // one line each; a page without a text says "p. N"
};

// The books' pages: the term on page 7 of the first, page 2 of the second, page 4 of the third.
const std::vector<Book>& Books() {
  static const std::vector<Book> books = {
      {"nlp.pdf", "形態素解析入門", "田中 一郎",
       {"第1章 はじめに", "", "", "", "", "",
        "第4章 形態素解析\n形態素解析は、文を単語に分け、品詞を決める処理です。\n"
        "辞書と統計モデルを使って形態素解析を行います。",
        ""}},
      {"basics.pdf", "自然言語処理の基礎", "佐藤 花子",
       {"序文", "日本語の文は単語の間に空白がないため、\nまず形態素解析で単語に分けます。", ""}},
      {"search.pdf", "検索エンジンの作り方", "鈴木 次郎",
       {"索引とは", "", "", "転置索引を作る前に、本文を形態素解析して\n語の位置を記録します。", ""}},
      {"ml.pdf", "Machine Learning Notes", "J. Smith",
       {"Linear models", "Neural networks and learning rates"}},
  };
  return books;
}

bool MakeCatalog(const std::string& folder, const std::string& catalog) {
  std::vector<std::string> paths;
  for (const Book& book : Books()) {
    QStringList pages;
    int number = 0;
    for (const char* text : book.pages) {
      ++number;
      pages << (*text != '\0' ? QString::fromUtf8(text) : QStringLiteral("p. %1").arg(number));
    }
    const std::string path = folder + "/" + book.file;
    if (!veldra::testing::WriteTextPdf(QString::fromStdString(path), pages)) return false;
    paths.push_back(path);
  }
  std::remove(catalog.c_str());
  if (!veldra::CreateDefaultCatalog(catalog)) return false;
  veldra::CVeldraDocument doc;
  doc.OpenCatalog(catalog);
  veldra::commands::ImportReport report;
  const veldra::CategoryTriple triple = {veldra::UiText("技術書"), veldra::UiText("言語処理"),
                                         veldra::UiText("その他")};
  if (veldra::commands::ImportPdfs(doc, paths, triple, &report) != veldra::commands::kImportOk) {
    return false;
  }
  for (size_t i = 0; i < report.imported.size(); ++i) {
    std::optional<veldra::EntryRecord> entry = doc.FindEntry(report.imported[i].entry_id);
    if (!entry) return false;
    entry->title.SetText(veldra::UiText(Books()[i].title));
    entry->author_name.SetText(veldra::UiText(Books()[i].author));
    doc.UpdateEntry(*entry);
  }
  return doc.Save() == veldra::kSaveOk;
}

}  // namespace

int main(int argc, char** argv) {
  QApplication qt_app(argc, argv);
  if (argc != 4) {
    std::fprintf(stderr, "usage: veldra_search_screenshot SEARCH_OUTPUT.png VIEWER_OUTPUT.png FOLDER\n");
    return 2;
  }
  QApplication::setWindowIcon(veldra::resources::AppIcon());
  veldra::UseDialogFont();
  const std::string folder = argv[3];
  const std::string catalog = folder + "/" + veldra::UiText("言語処理.vdc");
  if (!MakeCatalog(folder, catalog)) {
    std::fprintf(stderr, "cannot make the catalog in %s\n", argv[3]);
    return 1;
  }
  veldra::CVeldraApp app;
  if (!app.InitInstance({catalog})) return 1;
  veldra::CMainFrame* frame = app.main_frame();
  frame->setGeometry(0, 0, 1000, 700);
  veldra::CatalogDocumentHost* host = app.Documents().front();
  auto* browser = static_cast<veldra::CMainWindow*>(host->browser_frame());
  browser->setGeometry(QRect(QPoint(0, 0), frame->mdi_area()->viewport()->size()));
  veldra::FullTextSearchWindow* window = nullptr;

  // Once the index is made: the search, its window saved; then the viewer at the first hit.
  auto search = [&] {
    browser->view()->OnFullTextSearch();
    window = browser->view()->search_window();
    window->move(frame->geometry().right() - 560, 300);
    window->query_field()->setText(QStringLiteral("形態素解析"));
    window->narrow_box()->setChecked(true);
    window->SearchNow();
    QTimer::singleShot(600, [&] {
      const bool saved = window->grab().save(QString::fromLocal8Bit(argv[1]), "PNG");
      std::fprintf(stderr, saved ? "saved %s\n" : "cannot save %s\n", argv[1]);
      if (!saved) QApplication::exit(1);
      window->OpenRow(0);
    });
    QTimer::singleShot(1200, [&] {
      // The viewer larger than its first size, for its text to be read in the picture.
      if (QMdiSubWindow* viewer = frame->mdi_area()->activeSubWindow()) {
        viewer->setGeometry(20, 20, 620, frame->mdi_area()->viewport()->height() - 40);
      }
    });
    QTimer::singleShot(2200, [&] {
      const bool saved = frame->grab().save(QString::fromLocal8Bit(argv[2]), "PNG");
      std::fprintf(stderr, saved ? "saved %s\n" : "cannot save %s\n", argv[2]);
      QApplication::exit(saved ? 0 : 1);
    });
  };
  if (host->indexer().running()) {
    QObject::connect(&host->indexer(), &veldra::CatalogIndexer::Finished, search);
  } else {
    QTimer::singleShot(300, search);
  }
  QTimer::singleShot(60000, [] {
    std::fprintf(stderr, "the index was not made within a minute\n");
    QApplication::exit(1);
  });
  return qt_app.exec();
}
