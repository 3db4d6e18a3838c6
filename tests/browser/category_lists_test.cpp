// The three category lists: what each offers, the level handlers, mouse and keys, and the
// selections remembered in the catalog.
#include <QApplication>
#include <QImage>
#include <QLabel>
#include <QListWidget>
#include <QMouseEvent>
#include <QTest>
#include <memory>

#include "browser/category_list_ctrl.h"
#include "browser/entry_list_ctrl.h"
#include "browser/ui_text.h"
#include "storage/catalog_document.h"
#include "tests/browser/gui_test_support.h"

using namespace veldra;
using namespace veldra::testing;
using Names = std::vector<std::string>;

namespace {

constexpr char kPath[] = "/data/cats.vdc";
const char* const kAll = "＜すべて＞";

// (A, x, p), (A, y, q), (B, x, q) and the default (その他, その他, その他).
bool MakeTriplesCatalog() {
  return MakeTestCatalog(kPath, {{"A", "x", "p"}, {"A", "y", "q"}, {"B", "x", "q"}},
                         {{"a-x-p", {"A", "x", "p"}}, {"a-y-q", {"A", "y", "q"}},
                          {"b-x-q", {"B", "x", "q"}}});
}

std::string Selected(const QListWidget* list) {
  const auto items = list->selectedItems();
  return items.isEmpty() ? std::string() : items.first()->text().toStdString();
}

std::string EnvValue(const char* key) {
  CVeldraDocument doc;
  doc.OpenCatalog(kPath);
  std::string value;
  return doc.GetEnvironmentValue(key, &value) ? ToQString(value).toStdString() : "<none>";
}

}  // namespace

class CategoryListsTest : public BrowserTestBase {
  Q_OBJECT

 private:
  QListWidget* list(int level) const { return view()->category_list(level); }
  void Reopen() {
    env_->CloseBrowser(frame_);
    frame_ = env_->OpenBrowser(kPath);
  }

 private slots:
  void init() {
    env_ = std::make_unique<GuiTestEnvironment>();
    QVERIFY(MakeTriplesCatalog());
    frame_ = env_->OpenBrowser(kPath);
  }

  void cleanup() {
    env_.reset();
    QCOMPARE(QApplication::topLevelWidgets().size(), 0);
  }

  void startsWithAllNamesAndAllSelected() {
    QCOMPARE(ItemTexts(list(1)), (Names{kAll, "A", "B", "その他"}));
    QCOMPARE(ItemTexts(list(2)), (Names{kAll, "x", "y", "その他"}));
    QCOMPARE(ItemTexts(list(3)), (Names{kAll, "p", "q", "その他"}));
    for (int level = 1; level <= 3; ++level) QCOMPARE(Selected(list(level)), std::string(kAll));
    QCOMPARE(view()->count_label()->text(), QStringLiteral("3件"));
  }

  void clickOffersTheNamesOfMatchingTriples() {
    ClickRow(list(1), 1);  // A
    QCOMPARE(ItemTexts(list(2)), (Names{kAll, "x", "y"}));
    QCOMPARE(ItemTexts(list(3)), (Names{kAll, "p", "q"}));
    QCOMPARE(Titles(view()), (Names{"a-x-p", "a-y-q"}));

    ClickRow(list(2), 1);  // x
    QCOMPARE(ItemTexts(list(1)), (Names{kAll, "A", "B"}));
    QCOMPARE(Selected(list(1)), std::string("A"));
    QCOMPARE(ItemTexts(list(3)), (Names{kAll, "p"}));
    QCOMPARE(Titles(view()), (Names{"a-x-p"}));
    QCOMPARE(view()->count_label()->text(), QStringLiteral("1件"));
  }

  void eachListIsOfItsLevel() {
    QVERIFY(dynamic_cast<CMainCat1ListCtrl*>(view()->category_list(1)) != nullptr);
    QVERIFY(dynamic_cast<CMainCat2ListCtrl*>(view()->category_list(2)) != nullptr);
    QVERIFY(dynamic_cast<CMainCat3ListCtrl*>(view()->category_list(3)) != nullptr);
    for (int level = 1; level <= 3; ++level) QCOMPARE(view()->category_list(level)->level(), level);
  }

  void aClickOnTheThirdListCallsTheThirdLevelsHandler() {
    ClickRow(list(3), 2);  // q
    QCOMPARE(ItemTexts(list(1)), (Names{kAll, "A", "B"}));
    QCOMPARE(ItemTexts(list(2)), (Names{kAll, "x", "y"}));
    QCOMPARE(Selected(list(3)), std::string("q"));
    QCOMPARE(Titles(view()), (Names{"a-y-q", "b-x-q"}));
  }

  void otherIsAlwaysLast() {
    env_.reset();
    env_ = std::make_unique<GuiTestEnvironment>();
    // "ン" and "ｱ" sort after "その他" in byte order.
    QVERIFY(MakeTestCatalog(kPath, {{"ン", "a", "a"}, {"ｱ", "a", "a"}, {"B", "a", "a"}}, {}));
    frame_ = env_->OpenBrowser(kPath);
    QCOMPARE(ItemTexts(list(1)), (Names{kAll, "B", "ン", "ｱ", "その他"}));
  }

  void clickOnEmptySpaceReselectsTheRememberedItem() {
    ClickRow(list(1), 1);  // A, remembered
    QTest::keyClick(list(1), Qt::Key_Down);  // B selected, nothing refiltered
    QCOMPARE(Selected(list(1)), std::string("B"));
    ClickRow(list(1), -1);
    QCOMPARE(Selected(list(1)), std::string("A"));
    QCOMPARE(Titles(view()), (Names{"a-x-p", "a-y-q"}));
    QCOMPARE(ItemTexts(list(2)), (Names{kAll, "x", "y"}));
  }

  void doubleClickActsAsOneClick() {
    ClickRow(list(1), 1);  // A
    // The second press of a double-click arrives as a double-click event: it must neither
    // select nor refilter.
    QMouseEvent second(QEvent::MouseButtonDblClick, QPointF(RowCenter(list(1), 2)),
                       QPointF(list(1)->viewport()->mapToGlobal(RowCenter(list(1), 2))),
                       Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(list(1)->viewport(), &second);
    QCOMPARE(Selected(list(1)), std::string("A"));
    QCOMPARE(Titles(view()), (Names{"a-x-p", "a-y-q"}));

    // A whole double-click: press, release, double-click, release.
    const QPoint b = RowCenter(list(1), 2);
    QTest::mousePress(list(1)->viewport(), Qt::LeftButton, Qt::NoModifier, b);
    QTest::mouseRelease(list(1)->viewport(), Qt::LeftButton, Qt::NoModifier, b);
    QTest::mouseDClick(list(1)->viewport(), Qt::LeftButton, Qt::NoModifier, b);
    QTest::mouseRelease(list(1)->viewport(), Qt::LeftButton, Qt::NoModifier, b);
    QCOMPARE(Selected(list(1)), std::string("B"));
    QCOMPARE(Titles(view()), (Names{"b-x-q"}));
  }

  void arrowKeysDoNotRefilter() {
    ClickRow(list(1), 1);  // A
    list(1)->setFocus();
    QTest::keyClick(list(1), Qt::Key_Down);
    QCOMPARE(Selected(list(1)), std::string("B"));
    QCOMPARE(Titles(view()), (Names{"a-x-p", "a-y-q"}));
    QCOMPARE(ItemTexts(list(2)), (Names{kAll, "x", "y"}));
  }

  void reopeningRestoresTheSelectionsAndTheEntries() {
    ClickRow(list(1), 1);  // A
    ClickRow(list(2), 1);  // x
    Reopen();
    QCOMPARE(Selected(list(1)), std::string("A"));
    QCOMPARE(Selected(list(2)), std::string("x"));
    QCOMPARE(Selected(list(3)), std::string(kAll));
    QCOMPARE(Titles(view()), (Names{"a-x-p"}));
  }

  void removedNameShowsAllButStaysRemembered() {
    ClickRow(list(2), 2);  // y: remembered level 2; list 1 offers A only
    ClickRow(list(3), 0);  // all: list 1 is computed from (y, all) -> A
    // Keys put x into list 2 and back, without refiltering; list 1 is rebuilt from x.
    list(2)->setCurrentRow(1);
    ClickRow(list(3), 0);  // list 1 from (x, all): A, B
    QCOMPARE(ItemTexts(list(1)), (Names{kAll, "A", "B"}));
    list(2)->setCurrentRow(2);
    QCOMPARE(Selected(list(2)), std::string("y"));
    ClickRow(list(1), 2);  // B has no y
    QCOMPARE(Selected(list(2)), std::string(kAll));
    QCOMPARE(EnvValue("cat2list_selection"), std::string("y"));
    Reopen();
    // Level 1 and level 3 are computed with the old name y.
    QCOMPARE(ItemTexts(list(1)), (Names{kAll, "A"}));
    QCOMPARE(Selected(list(1)), std::string(kAll));  // B is not offered
    QCOMPARE(ItemTexts(list(3)), (Names{kAll}));
  }

  void partialRememberedSelectionsStartWithAll() {
    env_->CloseBrowser(frame_);
    {
      CVeldraDocument doc;
      doc.OpenCatalog(kPath);
      doc.SetEnvironmentValue("cat1list_selection", "A");
      doc.SetEnvironmentValue("cat2list_selection", "x");
      QCOMPARE(doc.Save(), kSaveOk);
    }
    frame_ = env_->OpenBrowser(kPath);
    for (int level = 1; level <= 3; ++level) QCOMPARE(Selected(list(level)), std::string(kAll));
    QCOMPARE(Titles(view()).size(), size_t(3));
  }

  // The rows of the category lists are as tall as those of the entry list.
  void rowsHaveTheEntryListsHeight() {
    const int entry_row = view()->entry_list()->rowHeight(0);
    QVERIFY(entry_row > view()->fontMetrics().height());
    for (int level = 1; level <= 3; ++level) {
      for (int row = 0; row < list(level)->count(); ++row) {
        QCOMPARE(list(level)->visualItemRect(list(level)->item(row)).height(), entry_row);
      }
      QCOMPARE(list(level)->visualItemRect(list(level)->item(1)).top(),
               list(level)->visualItemRect(list(level)->item(0)).bottom() + 1);
    }
  }

  // The row with the keyboard focus is framed while its list has the focus, and only then.
  void theFocusedRowIsFramed() {
    env_->area()->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(env_->area()));
    QListWidget* cats = list(2);
    cats->setCurrentRow(1);
    const QRect row = cats->visualItemRect(cats->item(1));
    view()->entry_list()->setFocus();
    QTRY_VERIFY(view()->entry_list()->hasFocus());
    const QImage without = cats->viewport()->grab(row).toImage();
    cats->setFocus();
    QTRY_VERIFY(cats->hasFocus());
    const QImage with = cats->viewport()->grab(row).toImage();
    // A dotted frame in the text's colour on the row's left edge.
    const QRgb text = cats->palette().color(QPalette::Text).rgb();
    auto edge_dots = [text](const QImage& image) {
      int dots = 0;
      for (int y = 0; y < image.height(); ++y) dots += image.pixel(0, y) == text ? 1 : 0;
      return dots;
    };
    QCOMPARE(edge_dots(without), 0);
    QVERIFY(edge_dots(with) >= row.height() / 3);
    QVERIFY(edge_dots(with) < row.height());
  }

  void labelsShowTheCatalogsLabels() {
    QCOMPARE(view()->category_label(1)->text(), QStringLiteral("分類１"));
    env_->CloseBrowser(frame_);
    {
      CVeldraDocument doc;
      doc.OpenCatalog(kPath);
      LabelRecord label;
      QVERIFY(doc.FindLabel(2, &label));
      label.text.SetText(Sjis("著者別"));
      QVERIFY(doc.UpdateLabel(label));
      QCOMPARE(doc.Save(), kSaveOk);
    }
    frame_ = env_->OpenBrowser(kPath);
    QCOMPARE(view()->category_label(2)->text(), QStringLiteral("著者別"));
  }
};

QTEST_MAIN(CategoryListsTest)
#include "category_lists_test.moc"
