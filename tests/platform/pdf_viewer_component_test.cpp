// The viewer component: found by its registration, and the control doing what the viewer
// window relies on (loading, paging, the history of views, printing) and what a reader
// expects of it (the page field, keys, zoom, the page kept when the column is laid out anew,
// the outline panel, a file it cannot show named as such).
#include <QAction>
#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPdfDocument>
#include <QPdfView>
#include <QPrinter>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>
#include <QToolBar>
#include <QWheelEvent>
#include <memory>

#include "platform/viewer/component_registry.h"
#include "platform/viewer/viewer_component.h"
#include "tests/commands/test_pdf.h"
#include "tests/platform/viewer_test_pdf.h"

using namespace veldra::viewer;

namespace {

constexpr int kPages = 6;

std::string Folder(const QTemporaryDir& dir) { return dir.path().toStdString() + "/"; }

// Highlighted pixels of an image: yellow (every occurrence) and orange (the current one),
// as multiplied over white paper.
struct Highlighted {
  int yellow = 0;
  int orange = 0;
  QRect orange_box;
};
Highlighted HighlightedPixels(const QImage& image) {
  Highlighted h;
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) {
      const QColor c = image.pixelColor(x, y);
      if (c.red() < 230 || c.blue() > 100) continue;
      if (c.green() > 180) {
        ++h.yellow;
      } else if (c.green() > 90) {
        ++h.orange;
        h.orange_box |= QRect(x, y, 1, 1);
      }
    }
  }
  return h;
}

// A book of kBookPages pages with an outline of five chapters.
constexpr int kBookPages = 93;

bool WriteFile(const QString& path, const std::string& bytes) {
  QFile file(path);
  return file.open(QIODevice::WriteOnly) &&
         file.write(bytes.data(), static_cast<qint64>(bytes.size())) == static_cast<qint64>(bytes.size());
}

void WriteRegistration(const QTemporaryDir& dir, const QByteArray& content) {
  QFile file(dir.filePath(QString::fromLatin1(kPdfViewerClassId) + ".reg"));
  QVERIFY(file.open(QIODevice::WriteOnly));
  file.write(content);
}

}  // namespace

class PdfViewerComponentTest : public QObject {
  Q_OBJECT

 private:
  QTemporaryDir files_;
  QString pdf_;
  QString book_;
  QString words_;  // "apple" once on page 2, twice on page 5, once on page 7 (as "Apple")
  std::unique_ptr<QWidget> host_;
  ViewerControl* control_ = nullptr;

  QString PageText() const {
    return control_->Widget()->findChild<QLineEdit*>("page_field")->text() +
           control_->Widget()->findChild<QLabel*>("page_total")->text().trimmed();
  }
  QPdfView* Pages() const { return control_->Widget()->findChild<QPdfView*>("pages"); }
  QWidget* Outline() const { return control_->Widget()->findChild<QWidget*>("outline"); }
  QLabel* LoadMessage() const { return control_->Widget()->findChild<QLabel*>("load_message"); }
  void TypePage(const QString& typed) {
    auto* field = control_->Widget()->findChild<QLineEdit*>("page_field");
    field->setFocus();
    field->selectAll();
    QTest::keyClicks(field, typed);
    QTest::keyClick(field, Qt::Key_Return);
  }
  QAction* Button(const QString& tip) const {
    for (QAction* a : control_->Widget()->findChild<QToolBar*>("toolbar")->actions()) {
      if (a->toolTip() == tip) return a;
    }
    return nullptr;
  }

 private slots:
  void initTestCase() {
    QVERIFY(files_.isValid());
    pdf_ = files_.filePath("pages.pdf");
    QVERIFY(veldra::testing::WriteNumberedPdf(pdf_, kPages));
    words_ = files_.filePath("words.pdf");
    QStringList pages(8, QStringLiteral("banana"));
    pages[1] = QStringLiteral("an apple a day");
    pages[2] = QStringLiteral("形態素解析の本");
    pages[4] = QStringLiteral("apple, and one more apple");
    pages[6] = QStringLiteral("Apple");
    QVERIFY(veldra::testing::WriteTextPdf(words_, pages));
    book_ = files_.filePath("book.pdf");
    QVERIFY(WriteFile(book_, veldra::testing::MakeBookPdf(kBookPages, 5)));
  }

  void init() {
    ScopedComponentFolder use(VELDRA_COMPONENT_FOLDER "/");
    ViewerComponent* component = LoadViewerComponent(kPdfViewerClassId);
    QVERIFY(component != nullptr);
    host_ = std::make_unique<QWidget>();
    host_->resize(450, 550);
    control_ = component->CreateControl(host_.get());
    control_->Widget()->resize(450, 550);
    host_->show();
    QVERIFY(QTest::qWaitForWindowExposed(host_.get()));
  }

  void cleanup() {
    host_.reset();
    control_ = nullptr;
    QCOMPARE(QApplication::topLevelWidgets().size(), 0);
  }

  void registration_data() {
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<bool>("found");
    QTest::newRow("no registration") << QByteArray() << false;
    QTest::newRow("empty registration") << QByteArray("\n") << false;
    QTest::newRow("library missing") << QByteArray("libnothing.so\n") << false;
    QTest::newRow("not a component") << QByteArray("junk.so\n") << false;
    QTest::newRow("the viewer") << QByteArray(VELDRA_COMPONENT_FOLDER "/libveldra_pdf_viewer.so\n")
                                << true;
  }

  void registration() {
    QFETCH(QByteArray, content);
    QFETCH(bool, found);
    QTemporaryDir dir;
    if (!content.isEmpty()) WriteRegistration(dir, content);
    QFile junk(dir.filePath("junk.so"));
    QVERIFY(junk.open(QIODevice::WriteOnly));
    junk.write("not a library");
    junk.close();
    ScopedComponentFolder use(Folder(dir));
    QCOMPARE(ComponentFolder(), Folder(dir));
    QCOMPARE(LoadViewerComponent(kPdfViewerClassId) != nullptr, found);
  }

  void loadFileShowsPageOneOfAll() {
    QCOMPARE(control_->Invoke(dispid::kLoadFile, {pdf_}), QVariant(true));
    QCOMPARE(PageText(), QStringLiteral("1/ %1").arg(kPages));
    QVERIFY(!Button(QStringLiteral("前のページ"))->isEnabled());
    QVERIFY(Button(QStringLiteral("次のページ"))->isEnabled());
    QCOMPARE(Pages()->pageMode(), QPdfView::PageMode::MultiPage);
  }

  void loadFileOfNoPdf() {
    QFile junk(files_.filePath("junk.pdf"));
    QVERIFY(junk.open(QIODevice::WriteOnly));
    junk.write("not a pdf");
    junk.close();
    QCOMPARE(control_->Invoke(dispid::kLoadFile, {junk.fileName()}), QVariant(false));
    QCOMPARE(PageText(), QStringLiteral("/ 0"));
    QVERIFY(!Button(QStringLiteral("次のページ"))->isEnabled());
    QVERIFY(!control_->Invoke(dispid::kLoadFile, {}).isValid());
    QVERIFY(!control_->Invoke(99, {}).isValid());
  }

  void pagingAndHistory() {
    control_->Invoke(dispid::kLoadFile, {pdf_});
    control_->Invoke(dispid::kGotoNextPage);
    QTRY_COMPARE(PageText(), QStringLiteral("2/ %1").arg(kPages));
    control_->Invoke(dispid::kGotoLastPage);
    QTRY_COMPARE(PageText(), QStringLiteral("%1/ %1").arg(kPages));
    control_->Invoke(dispid::kGotoNextPage);  // nothing past the end
    QCOMPARE(PageText(), QStringLiteral("%1/ %1").arg(kPages));
    control_->Invoke(dispid::kGotoPreviousPage);
    QTRY_COMPARE(PageText(), QStringLiteral("%1/ %2").arg(kPages - 1).arg(kPages));
    control_->Invoke(dispid::kGotoFirstPage);
    QTRY_COMPARE(PageText(), QStringLiteral("1/ %1").arg(kPages));
    control_->Invoke(dispid::kGotoPreviousPage);  // nothing before the start
    QCOMPARE(PageText(), QStringLiteral("1/ %1").arg(kPages));

    control_->Invoke(dispid::kGoBackwardStack);
    QTRY_COMPARE(PageText(), QStringLiteral("%1/ %2").arg(kPages - 1).arg(kPages));
    control_->Invoke(dispid::kGoBackwardStack);
    QTRY_COMPARE(PageText(), QStringLiteral("%1/ %1").arg(kPages));
    control_->Invoke(dispid::kGoForwardStack);
    QTRY_COMPARE(PageText(), QStringLiteral("%1/ %2").arg(kPages - 1).arg(kPages));
    QVERIFY(Button(QStringLiteral("次の表示に進む"))->isEnabled());
  }

  void pageFieldJumps_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<int>("shown");
    QTest::newRow("a page") << QStringLiteral("4") << 4;
    QTest::newRow("the last") << QString::number(kPages) << kPages;
    QTest::newRow("past the last is refused") << QString::number(kPages + 1) << 1;
    QTest::newRow("three digits past the last are refused") << QStringLiteral("999") << 1;
    QTest::newRow("zero is refused") << QStringLiteral("0") << 1;
  }

  void pageFieldJumps() {
    QFETCH(QString, typed);
    QFETCH(int, shown);
    control_->Invoke(dispid::kLoadFile, {pdf_});
    TypePage(typed);
    // Enter settles the field at once: the page it went to, or the page shown.
    QTRY_COMPARE(PageText(), QStringLiteral("%1/ %2").arg(shown).arg(kPages));
    control_->Widget()->findChild<QLineEdit*>("page_field")->clearFocus();
    QTRY_COMPARE(PageText(), QStringLiteral("%1/ %2").arg(shown).arg(kPages));
  }

  // In fit-width mode a new layout of the column (the window resized, the outline shown or
  // hidden) keeps the reader on the page, and adds no page to the history of views.
  void pageIsKeptWhenTheColumnIsLaidOutAnew_data() {
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("outline_clicks");
    QTest::addColumn<bool>("while_hidden");  // as a viewer is while it is maximized or restored
    QTest::newRow("narrower") << 300 << 0 << false;
    QTest::newRow("wider") << 900 << 0 << false;
    QTest::newRow("wider while hidden") << 900 << 0 << true;
    QTest::newRow("outline shown") << 450 << 1 << false;
    QTest::newRow("outline shown and hidden") << 450 << 2 << false;
    QTest::newRow("wider with the outline shown") << 900 << 1 << false;
  }

  void pageIsKeptWhenTheColumnIsLaidOutAnew() {
    QFETCH(int, width);
    QFETCH(int, outline_clicks);
    QFETCH(bool, while_hidden);
    control_->Invoke(dispid::kLoadFile, {book_});
    QCOMPARE(Pages()->zoomMode(), QPdfView::ZoomMode::FitToWidth);
    TypePage(QStringLiteral("50"));
    QTRY_COMPARE(PageText(), QStringLiteral("50/ %1").arg(kBookPages));
    Pages()->verticalScrollBar()->setValue(Pages()->verticalScrollBar()->value() + 100);
    QCOMPARE(PageText(), QStringLiteral("50/ %1").arg(kBookPages));
    const bool back_before = Button(QStringLiteral("前の表示に戻る"))->isEnabled();
    if (while_hidden) host_->hide();
    host_->resize(width, 550);
    control_->Widget()->resize(width, 550);
    if (while_hidden) host_->show();
    for (int i = 0; i < outline_clicks; ++i) Button(QStringLiteral("しおりを表示"))->trigger();
    QCoreApplication::processEvents();
    QCOMPARE(Outline()->isVisible(), outline_clicks % 2 == 1);
    QCOMPARE(PageText(), QStringLiteral("50/ %1").arg(kBookPages));
    control_->Invoke(dispid::kGoBackwardStack);
    QTRY_VERIFY(PageText() != QStringLiteral("50/ %1").arg(kBookPages));
    QVERIFY(back_before);
    QCOMPARE(PageText(), QStringLiteral("1/ %1").arg(kBookPages));
  }

  // The outline starts as the reader last chose it (page mode), else shown only when the
  // viewer is wide enough for it beside the pages.
  void outlineAtTheStart_data() {
    QTest::addColumn<int>("width");
    QTest::addColumn<QString>("page_mode");  // "" for no choice made
    QTest::addColumn<bool>("with_outline");
    QTest::addColumn<bool>("loaded_hidden");  // as a viewer reopened before the main window shows
    QTest::addColumn<bool>("shown");
    QTest::newRow("narrow") << 450 << QString() << true << false << false;
    QTest::newRow("wide") << 900 << QString() << true << false << true;
    QTest::newRow("wide, loaded while hidden") << 900 << QString() << true << true << true;
    QTest::newRow("narrow, loaded while hidden") << 450 << QString() << true << true << false;
    QTest::newRow("narrow, chosen shown") << 450 << QStringLiteral("bookmarks") << true << false << true;
    QTest::newRow("wide, chosen shown, loaded while hidden") << 900 << QStringLiteral("bookmarks") << true << true << true;
    QTest::newRow("wide, chosen hidden") << 900 << QStringLiteral("none") << true << false << false;
    QTest::newRow("chosen shown, no outline") << 900 << QStringLiteral("bookmarks") << false << false << false;
  }

  void outlineAtTheStart() {
    QFETCH(int, width);
    QFETCH(QString, page_mode);
    QFETCH(bool, with_outline);
    QFETCH(bool, loaded_hidden);
    QFETCH(bool, shown);
    auto size_it = [&] {
      host_->resize(width, 550);
      control_->Widget()->resize(width, 550);
    };
    // Hidden, the control gets its width only after the load, as when its window is laid out.
    if (loaded_hidden) host_->hide(); else size_it();
    if (!page_mode.isEmpty()) QCOMPARE(control_->Invoke(dispid::kSetPageMode, {page_mode}), QVariant(true));
    std::vector<bool> told;
    control_->SetOutlineChoiceHook([&](bool choice) { told.push_back(choice); });
    control_->Invoke(dispid::kLoadFile, {with_outline ? book_ : pdf_});
    if (loaded_hidden) {
      size_it();
      host_->show();
    }
    QCoreApplication::processEvents();
    QCOMPARE(Outline()->isVisible(), shown);
    QCOMPARE(Button(QStringLiteral("しおりを表示"))->isChecked(), shown);
    QCOMPARE(Button(QStringLiteral("しおりを表示"))->isEnabled(), with_outline);
    if (shown) {
      // Beside the pages, at most a third of the width, and wide enough to read.
      QVERIFY2(Outline()->width() <= width / 3, qPrintable(QString::number(Outline()->width())));
      QVERIFY2(Outline()->width() >= width / 4, qPrintable(QString::number(Outline()->width())));
    }
    QVERIFY2(told.empty(), "only the reader's own clicks are told");
    if (!with_outline) return;
    Button(QStringLiteral("しおりを表示"))->trigger();
    QCOMPARE(Outline()->isVisible(), !shown);
    QCOMPARE(told, std::vector<bool>{!shown});
  }

  void pageModeTakesTwoWords() {
    QVERIFY(!control_->Invoke(dispid::kSetPageMode, {}).isValid());
    QCOMPARE(control_->Invoke(dispid::kSetPageMode, {QStringLiteral("thumbs")}), QVariant(false));
    control_->Invoke(dispid::kLoadFile, {book_});
    QCOMPARE(control_->Invoke(dispid::kSetPageMode, {QStringLiteral("bookmarks")}), QVariant(true));
    QVERIFY(Outline()->isVisible());
    QCOMPARE(control_->Invoke(dispid::kSetPageMode, {QStringLiteral("none")}), QVariant(true));
    QVERIFY(!Outline()->isVisible());
  }

  // A file the engine cannot show is named as such in place of the pages.
  void loadFailureIsNamed_data() {
    QTest::addColumn<QByteArray>("bytes");  // "-" for no file at all
    QTest::addColumn<QString>("message");
    const QString unreadable = QStringLiteral("このファイルはPDFとして読み込めませんでした。PDFではないか、壊れています。");
    QTest::newRow("not a PDF") << QByteArray("PK\x03\x04 a zip under a .pdf name") << unreadable;
    QTest::newRow("empty") << QByteArray() << unreadable;
    QTest::newRow("cut after its header") << QByteArray("%PDF-1.4\n1 0 obj\n<< /Type /Catalog") << unreadable;
    QTest::newRow("gone") << QByteArray("-") << QStringLiteral("PDFのファイルが見つからないため表示できません。");
  }

  void loadFailureIsNamed() {
    QFETCH(QByteArray, bytes);
    QFETCH(QString, message);
    const QString path = files_.filePath(QStringLiteral("failed_%1.pdf").arg(QTest::currentDataTag()));
    if (bytes != "-") QVERIFY(WriteFile(path, bytes.toStdString()));
    QCOMPARE(control_->Invoke(dispid::kLoadFile, {path}), QVariant(false));
    QCoreApplication::processEvents();
    QVERIFY(LoadMessage()->isVisible());
    QCOMPARE(LoadMessage()->text(), message);
    QVERIFY(!Pages()->isVisible());
    // The next good file shows its pages again.
    control_->Invoke(dispid::kLoadFile, {pdf_});
    QVERIFY(!LoadMessage()->isVisible());
    QVERIFY(Pages()->isVisible());
  }

  void homeAndEndKeys() {
    control_->Invoke(dispid::kLoadFile, {pdf_});
    Pages()->setFocus();
    QTest::keyClick(Pages(), Qt::Key_End);
    QTRY_COMPARE(PageText(), QStringLiteral("%1/ %1").arg(kPages));
    QTest::keyClick(Pages(), Qt::Key_Home);
    QTRY_COMPARE(PageText(), QStringLiteral("1/ %1").arg(kPages));
    const int before = Pages()->verticalScrollBar()->value();
    QTest::keyClick(Pages(), Qt::Key_PageDown);
    QVERIFY(Pages()->verticalScrollBar()->value() > before);
  }

  void zoom() {
    control_->Invoke(dispid::kLoadFile, {pdf_});
    QCOMPARE(Pages()->zoomMode(), QPdfView::ZoomMode::FitToWidth);
    Button(QStringLiteral("ページ全体を表示"))->trigger();
    QCOMPARE(Pages()->zoomMode(), QPdfView::ZoomMode::FitInView);
    Button(QStringLiteral("幅に合わせる"))->trigger();
    Button(QStringLiteral("拡大 (Ctrl+ホイール)"))->trigger();
    QCOMPARE(Pages()->zoomMode(), QPdfView::ZoomMode::Custom);
    const qreal zoomed = Pages()->zoomFactor();
    Button(QStringLiteral("縮小 (Ctrl+ホイール)"))->trigger();
    QVERIFY(qAbs(Pages()->zoomFactor() * 1.25 - zoomed) < 1e-6);

    // Ctrl with the wheel zooms; the wheel alone scrolls.
    QWidget* viewport = Pages()->viewport();
    const QPoint at = viewport->rect().center();
    QWheelEvent up(at, viewport->mapToGlobal(at), {}, {0, 120}, Qt::NoButton,
                   Qt::ControlModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(viewport, &up);
    QVERIFY(qAbs(Pages()->zoomFactor() - zoomed) < 1e-6);
    QWheelEvent down(at, viewport->mapToGlobal(at), {}, {0, -120}, Qt::NoButton, Qt::NoModifier,
                     Qt::NoScrollPhase, false);
    QApplication::sendEvent(viewport, &down);
    QVERIFY(qAbs(Pages()->zoomFactor() - zoomed) < 1e-6);
  }

  void printRenders_data() {
    QTest::addColumn<int>("range");
    QTest::addColumn<int>("from");
    QTest::addColumn<int>("to");
    QTest::addColumn<int>("pages");
    QTest::newRow("all") << int(QPrinter::AllPages) << 0 << 0 << kPages;
    QTest::newRow("2 to 3") << int(QPrinter::PageRange) << 2 << 3 << 2;
    QTest::newRow("past the end") << int(QPrinter::PageRange) << kPages - 1 << kPages + 5 << 2;
    QTest::newRow("current") << int(QPrinter::CurrentPage) << 0 << 0 << 1;
  }

  void printRenders() {
    QFETCH(int, range);
    QFETCH(int, from);
    QFETCH(int, to);
    QFETCH(int, pages);
    control_->Invoke(dispid::kLoadFile, {pdf_});
    const QString out = files_.filePath(QStringLiteral("printed_%1.pdf").arg(QTest::currentDataTag()));
    int asked_pages = 0;
    control_->SetPrintDialogHook([&](QPrinter* printer, int count, int, QWidget*) {
      asked_pages = count;
      printer->setOutputFormat(QPrinter::PdfFormat);
      printer->setOutputFileName(out);
      printer->setPrintRange(QPrinter::PrintRange(range));
      if (from > 0) printer->setFromTo(from, to);
      return true;
    });
    control_->Invoke(dispid::kPrint);
    QCOMPARE(asked_pages, kPages);
    QPdfDocument printed;
    QCOMPARE(printed.load(out), QPdfDocument::Error::None);
    QCOMPARE(printed.pageCount(), pages);
    // The page is on the paper: the bar under the number is black.
    const QImage image = printed.render(0, QSize(200, 283));
    int dark = 0;
    for (int y = 0; y < image.height(); ++y) {
      for (int x = 0; x < image.width(); ++x) dark += qGray(image.pixel(x, y)) < 64;
    }
    QVERIFY2(dark > 100, qPrintable(QString::number(dark)));
  }

  // The occurrences come from the engine: the page asked for is shown with every occurrence
  // on it highlighted, its first current and in view; the steps go through the whole
  // document and wrap round both ways.
  void findTextShowsThePageAndStepsThroughTheDocument() {
    control_->Invoke(dispid::kLoadFile, {words_});
    QCOMPARE(control_->Invoke(dispid::kFindText, {QStringLiteral("apple"), 5}), QVariant(2));
    QCOMPARE(PageText(), QStringLiteral("5/ 8"));
    QCOMPARE(control_->Invoke(dispid::kFindString), QVariant(QStringLiteral("apple")));
    const Highlighted shown = HighlightedPixels(Pages()->viewport()->grab().toImage());
    QVERIFY2(shown.yellow > 20 && shown.orange > 20,
             qPrintable(QStringLiteral("%1 %2").arg(shown.yellow).arg(shown.orange)));
    const int height = Pages()->viewport()->height();
    QVERIFY2(shown.orange_box.top() > height / 8 && shown.orange_box.bottom() < height * 2 / 3,
             qPrintable(QStringLiteral("%1..%2 of %3").arg(shown.orange_box.top())
                            .arg(shown.orange_box.bottom()).arg(height)));

    const QList<int> forward = {5, 7, 2, 5};
    for (int page : forward) QCOMPARE(control_->Invoke(dispid::kFindNext), QVariant(page));
    const QList<int> backward = {2, 7, 5, 5};
    for (int page : backward) QCOMPARE(control_->Invoke(dispid::kFindPrevious), QVariant(page));
    QTRY_COMPARE(PageText(), QStringLiteral("5/ 8"));

    // The reader pages on: the next occurrence is looked for from the page shown.
    control_->Invoke(dispid::kGotoLastPage);
    QCOMPARE(control_->Invoke(dispid::kFindNext), QVariant(2));
    // Without a page: the first occurrence from the page shown on.
    control_->Invoke(dispid::kGotoFirstPage);
    QCOMPARE(control_->Invoke(dispid::kFindText, {QStringLiteral("形態素")}), QVariant(1));
    QTRY_COMPARE(PageText(), QStringLiteral("3/ 8"));
    // Back in the history of views returns to where the reader was.
    control_->Invoke(dispid::kGoBackwardStack);
    QTRY_COMPARE(PageText(), QStringLiteral("1/ 8"));
  }

  void findTextThatIsNowhere() {
    control_->Invoke(dispid::kLoadFile, {words_});
    QCOMPARE(control_->Invoke(dispid::kFindText, {QStringLiteral("cherry"), 2}), QVariant(0));
    QCOMPARE(PageText(), QStringLiteral("2/ 8"));  // the page is shown all the same
    QCOMPARE(control_->Invoke(dispid::kFindNext), QVariant(0));
    QCOMPARE(control_->Widget()->findChild<QLabel*>("find_status")->text().trimmed(), QStringLiteral("見つかりません"));
    QCOMPARE(control_->Invoke(dispid::kFindText, {QString(), 6}), QVariant(0));
    QCOMPARE(PageText(), QStringLiteral("6/ 8"));  // the page alone
    QCOMPARE(control_->Invoke(dispid::kFindPrevious), QVariant(0));
    const Highlighted none = HighlightedPixels(Pages()->viewport()->grab().toImage());
    QCOMPARE(none.yellow + none.orange, 0);
  }

  // The find bar: opened with a text it keeps while open, Enter and Shift+Enter step, Esc
  // closes it and takes the highlights away.
  void findBar() {
    control_->Invoke(dispid::kLoadFile, {words_});
    auto* bar = control_->Widget()->findChild<QToolBar*>("find_bar");
    auto* field = control_->Widget()->findChild<QLineEdit*>("find_field");
    QVERIFY(!bar->isVisible());
    control_->Invoke(dispid::kShowFindBar, {QStringLiteral("apple")});
    QVERIFY(bar->isVisible());
    QTRY_VERIFY(field->hasFocus());
    QCOMPARE(field->selectedText(), QStringLiteral("apple"));
    QCOMPARE(PageText(), QStringLiteral("1/ 8"));  // opening the bar moves nowhere
    control_->Invoke(dispid::kShowFindBar, {QStringLiteral("other")});
    QCOMPARE(field->text(), QStringLiteral("apple"));
    QTest::keyClick(field, Qt::Key_Return);
    QTRY_COMPARE(PageText(), QStringLiteral("2/ 8"));
    QTest::keyClick(field, Qt::Key_Return, Qt::ShiftModifier);
    QTRY_COMPARE(PageText(), QStringLiteral("7/ 8"));
    field->selectAll();
    QTest::keyClicks(field, QStringLiteral("a day"));
    QTest::keyClick(field, Qt::Key_Return);
    QTRY_COMPARE(PageText(), QStringLiteral("2/ 8"));
    QTest::keyClick(field, Qt::Key_Escape);
    QVERIFY(!bar->isVisible());
    QCOMPARE(control_->Invoke(dispid::kFindString), QVariant(QString()));
  }

  void cancelledPrintPrintsNothing() {
    control_->Invoke(dispid::kLoadFile, {pdf_});
    bool asked = false;
    control_->SetPrintDialogHook([&](QPrinter* printer, int, int, QWidget*) {
      asked = true;
      printer->setOutputFileName(files_.filePath("cancelled.pdf"));
      return false;
    });
    control_->Invoke(dispid::kPrint);
    QVERIFY(asked);
    QVERIFY(!QFile::exists(files_.filePath("cancelled.pdf")));
  }
};

QTEST_MAIN(PdfViewerComponentTest)
#include "pdf_viewer_component_test.moc"
