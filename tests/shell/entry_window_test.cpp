// The entry property window's form: filled from the entry and written back on every way of
// closing, changes made elsewhere, the field limits, the category and rating boxes.
#include "tests/shell/entry_window_test_base.h"

using namespace veldra;
using namespace veldra::testing;
using namespace veldra::testing::entry_window_test;

class EntryWindowTest : public EntryWindowTestBase {
  Q_OBJECT

 private slots:
  void init() { env_ = std::make_unique<GuiTestEnvironment>(); }

  void cleanup() { TearDown(); }

  void formIsFilledFromTheEntry() {
    OpenCatalog();
    CEntryWindow* window = Show(0);
    QVERIFY(window != nullptr);
    CEntryWindowView* view = window->view();
    Tab1* tab1 = view->tab1();
    QCOMPARE(window->windowTitle(), Q("「プログラミング入門」の情報"));
    QCOMPARE(view->tab_control()->count(), 2);
    QCOMPARE(view->tab_control()->tabText(0), Q("属性"));
    QCOMPARE(view->tab_control()->tabText(1), Q("情報"));
    QCOMPARE(view->tab_control()->currentWidget(), tab1);
    QCOMPARE(view->close_button()->text(), Q("閉じる"));
    QCOMPARE(view->id_text()->text(), Q("0"));
    QCOMPARE(tab1->title_edit()->toPlainText(), Q("プログラミング入門"));
    QCOMPARE(tab1->person_edit(Tab1::kAuthor)->text(), Q("山田太郎"));
    QCOMPARE(tab1->person_edit(Tab1::kEditor)->text(), Q("編集部"));
    QCOMPARE(tab1->person_edit(Tab1::kSupervisor)->text(), Q("監修"));
    QCOMPARE(tab1->person_edit(Tab1::kTranslator)->text(), Q("訳者"));
    QCOMPARE(tab1->person_edit(Tab1::kPublisher)->text(), Q("出版社A"));
    QCOMPARE(tab1->note_edit()->toPlainText(), Q("一行目\n二行目"));
    QCOMPARE(tab1->category_box(1)->currentText(), Q("技術書"));
    QCOMPARE(tab1->category_box(2)->currentText(), Q("入門"));
    QCOMPARE(tab1->category_box(3)->currentText(), Q("文庫"));
    QCOMPARE(tab1->rating_box()->currentText(), Q("☆☆☆"));
    QCOMPARE(tab1->category_group()->title(), Q("分類"));
    QCOMPARE(tab1->category_label(1)->text(), Q("分類１"));
    // The information page, with the last-view date as it was before this opening.
    Tab2* tab2 = view->tab2();
    QCOMPARE(tab2->label(Tab2::kFileTimestamp)->text(), Q("PDFタイムスタンプ："));
    QCOMPARE(tab2->value(Tab2::kFileName)->text(), Q("プログラミング入門.pdf"));
    QCOMPARE(tab2->value(Tab2::kFileSize)->text(), Q("2.0 MB"));
    QCOMPARE(tab2->value(Tab2::kUpdated)->text(), Q("2024/06/01 09:00"));
    QCOMPARE(tab2->value(Tab2::kLastView)->text(), Q("2023/03/04 05:06"));
    QCOMPARE(tab2->value(Tab2::kLastUse)->text(), QString());
  }

  void informationPageShowsTheSizeAsTheListDoes_data() {
    QTest::addColumn<int>("size");
    QTest::addColumn<QString>("shown");
    QTest::newRow("2 MiB") << 2097152 << "2.0 MB";
    QTest::newRow("1.5 KiB") << 1536 << "1.5 KB";
    QTest::newRow("unreadable at import") << -1 << "-0.0 KB";
  }

  void informationPageShowsTheSizeAsTheListDoes() {
    QFETCH(int, size);
    QFETCH(QString, shown);
    QVERIFY(MakeTestCatalog(kPath, {}, {{"e", {"その他", "その他", "その他"}, size}}));
    browser_ = env_->OpenBrowser(kPath);
    CEntryWindow* window = Show(0);
    QCOMPARE(window->view()->tab2()->value(Tab2::kFileSize)->text(), shown);
  }

  void labelsAreTheCatalogsOwn() {
    OpenCatalog();
    CVeldraDocument& doc = host()->document();
    LabelRecord label;
    QVERIFY(doc.FindLabel(2, &label));
    label.text.SetText(Sjis("著者別"));
    QVERIFY(doc.UpdateLabel(label));
    CEntryWindow* window = Show(0);
    QCOMPARE(window->view()->tab1()->category_label(1)->text(), Q("分類１"));
    QCOMPARE(window->view()->tab1()->category_label(2)->text(), Q("著者別"));
    QCOMPARE(window->view()->tab1()->category_label(3)->text(), Q("分類３"));
  }

  void tabsShowTheirPages() {
    OpenCatalog();
    CEntryWindowView* view = Show(0)->view();
    view->tab_control()->setCurrentIndex(1);
    QVERIFY(view->tab2()->isVisible());
    QVERIFY(!view->tab1()->isVisible());
    view->tab_control()->setCurrentIndex(0);
    QVERIFY(view->tab1()->isVisible());
    QVERIFY(!view->tab2()->isVisible());
  }

  // The user can move and close the window, not resize, minimise or maximise it; it holds
  // the form exactly.
  void frameIsFixedToTheForm() {
    OpenCatalog();
    CEntryWindow* window = Show(0);
    const Qt::WindowFlags flags = window->windowFlags();
    QVERIFY(!(flags & Qt::WindowMinimizeButtonHint));
    QVERIFY(!(flags & Qt::WindowMaximizeButtonHint));
    QVERIFY(flags & Qt::WindowCloseButtonHint);
    QCOMPARE(window->minimumSize(), window->maximumSize());
    for (QAction* action : window->systemMenu()->actions()) {
      if (action->text() == "Mi&nimize" || action->text() == "Ma&ximize" || action->text() == "&Size") {
        QVERIFY2(!action->isVisible(), qPrintable(action->text()));
      }
    }
    const QSize size = window->size();
    QTest::mouseDClick(window, Qt::LeftButton, Qt::NoModifier, QPoint(size.width() / 2, 8));
    QVERIFY(!window->isMaximized());
    QCOMPARE(window->size(), size);
    const DialogUnits units(window->view()->font());
    QCOMPARE(window->view()->size(), units.Size(278, 343));
    QCOMPARE(window->view()->geometry().size(), window->contentsRect().size());
    QCOMPARE(window->view()->tab_control()->geometry(), units.Rect(6, 7, 265, 308));
    QCOMPARE(window->view()->close_button()->geometry(), units.Rect(214, 322, 50, 14));
  }

  // Each text beside a field shows whole, left of its field, in the application's font.
  void labelsFitBesideTheirFields() {
    const QFont before = QApplication::font();  // the tests' font has room for every text
    const auto restore_font = qScopeGuard([&] { QApplication::setFont(before); });
    env_.reset();  // the window area too takes the font from its start, as in the application
    UseDialogFont();
    env_ = std::make_unique<GuiTestEnvironment>();
    OpenCatalog();
    Tab1* tab1 = Show(0)->view()->tab1();
    const std::vector<std::pair<QString, QWidget*>> pairs = {
        {Q("タイトル："), tab1->title_edit()}, {Q("マイレート："), tab1->rating_box()},
        {Q("著者："), tab1->person_edit(Tab1::kAuthor)}, {Q("編集者："), tab1->person_edit(Tab1::kEditor)},
        {Q("監修者："), tab1->person_edit(Tab1::kSupervisor)}, {Q("翻訳者："), tab1->person_edit(Tab1::kTranslator)},
        {Q("出版社："), tab1->person_edit(Tab1::kPublisher)}};
    for (const auto& [text, field] : pairs) {
      QLabel* label = nullptr;
      for (QLabel* l : tab1->findChildren<QLabel*>()) {
        if (l->text() == text) label = l;
      }
      QVERIFY2(label != nullptr, qPrintable(text));
      const int needed = label->fontMetrics().horizontalAdvance(text);
      QVERIFY2(label->width() >= needed, qPrintable(text));
      QVERIFY2(label->geometry().right() < field->geometry().left(), qPrintable(text));
    }
    // The title field makes room for its text and keeps the right edge the form gives it.
    const DialogUnits units(tab1->font());
    QCOMPARE(tab1->title_edit()->geometry().right(), units.Rect(31, 5, 223, 30).right());
  }

  void closingWritesTheFormBack_data() {
    QTest::addColumn<QString>("way");
    QTest::newRow("close box") << "close box";
    QTest::newRow("button") << "button";
    QTest::newRow("close command") << "close command";
    QTest::newRow("Escape in the title") << "escape title";
    QTest::newRow("Escape in a category box") << "escape category";
    QTest::newRow("Escape on the information page") << "escape information";
    QTest::newRow("catalog closed") << "catalog";
  }

  void closingWritesTheFormBack() {
    QFETCH(QString, way);
    OpenCatalog();
    env_->fake().SetNow({2024, 7, 8, 9, 10, 11, 12});
    QPointer<CEntryWindow> window = Show(0);
    Tab1* tab1 = window->view()->tab1();
    tab1->title_edit()->setPlainText(Q("新しい題名"));
    tab1->category_box(1)->setEditText(Q("小説"));
    tab1->rating_box()->setCurrentIndex(5);
    tab1->person_edit(Tab1::kTranslator)->setText(Q("翻訳者B"));
    tab1->note_edit()->setPlainText(Q("メモ"));
    if (way == "close box") {
      window->close();
    } else if (way == "button") {
      QTest::mouseClick(window->view()->close_button(), Qt::LeftButton);
    } else if (way == "close command") {
      QCOMPARE(window->view()->QueryCommand(cmd::kFileClose), CommandState::kEnabled);
      window->view()->RunCommand(cmd::kFileClose);
    } else if (way == "escape title") {
      QTest::keyClick(tab1->title_edit(), Qt::Key_Escape);
    } else if (way == "escape category") {
      QTest::keyClick(tab1->category_box(2)->lineEdit(), Qt::Key_Escape);
    } else if (way == "escape information") {
      window->view()->tab_control()->setCurrentIndex(1);
      QTest::keyClick(window->view()->tab2(), Qt::Key_Escape);
    } else {
      env_->CloseBrowser(browser_);
    }
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(window.isNull());
    const EntryRecord e = StoredEntry(kPath, 0);
    QCOMPARE(Utf8(e.title.Text()), std::string("新しい題名"));
    QCOMPARE(Utf8(e.CategoryName(1)), std::string("小説"));
    QCOMPARE(Utf8(e.CategoryName(2)), std::string("入門"));
    QCOMPARE(e.my_rate, int16_t(5));
    QCOMPARE(Utf8(e.translator_name.Text()), std::string("翻訳者B"));
    QCOMPARE(Utf8(e.author_name.Text()), std::string("山田太郎"));
    QCOMPARE(Utf8(e.note.Text()), std::string("メモ"));
    QCOMPARE(e.update_date.Text(), std::string("20240708091011012"));
    if (way != "catalog") QVERIFY(host()->entry_windows().empty());
  }

  void tabOrderFollowsThePage() {
    OpenCatalog();
    QVERIFY(QTest::qWaitForWindowActive(env_->area()));
    CEntryWindowView* view = Show(0)->view();
    Tab1* tab1 = view->tab1();
    const QList<QWidget*> expected = {
        tab1->category_box(1), tab1->category_box(2), tab1->category_box(3), tab1->rating_box(),
        tab1->person_edit(Tab1::kAuthor), tab1->person_edit(Tab1::kEditor),
        tab1->person_edit(Tab1::kSupervisor), tab1->person_edit(Tab1::kTranslator),
        tab1->person_edit(Tab1::kPublisher), tab1->note_edit(), view->close_button()};
    tab1->title_edit()->setFocus();
    for (QWidget* next : expected) {
      QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
      QWidget* focus = QApplication::focusWidget();
      QVERIFY2(focus == next || next->isAncestorOf(focus), focus->metaObject()->className());
    }
  }

  // A change of the catalog made while entry 0's window is open (a batch change of its
  // categories or of another entry's, a label edit) reaches the form: a level given a new
  // name shows it, every other edit stays, and closing writes what the form then shows.
  void anOpenFormFollowsChangesMadeElsewhere_data() {
    QTest::addColumn<QStringList>("typed");    // title, level 1, 2, 3 ("-": untouched)
    QTest::addColumn<int>("changed_entry");     // -1: the labels are edited instead
    QTest::addColumn<QStringList>("chosen");    // the batch change's names ("-": unchanged)
    QTest::addColumn<QString>("stored");        // entry 0 after the close: title/c1/c2/c3
    QTest::newRow("two levels moved, a typed title and level kept")
        << QStringList{"改題", "-", "-", "新書"} << 0 << QStringList{"小説", "専門", "-"}
        << "改題/小説/専門/新書";
    QTest::newRow("the change wins on a level typed over")
        << QStringList{"-", "雑誌", "-", "-"} << 0 << QStringList{"小説", "-", "-"}
        << "プログラミング入門/小説/入門/文庫";
    QTest::newRow("another entry changed: its new name listed, the form as typed")
        << QStringList{"-", "雑誌", "-", "-"} << 1 << QStringList{"新分類", "-", "-"}
        << "プログラミング入門/雑誌/入門/文庫";
    QTest::newRow("a label edit") << QStringList{"改題", "-", "-", "-"} << -1 << QStringList{}
                                  << "改題/技術書/入門/文庫";
  }

  void anOpenFormFollowsChangesMadeElsewhere() {
    QFETCH(QStringList, typed);
    QFETCH(int, changed_entry);
    QFETCH(QStringList, chosen);
    QFETCH(QString, stored);
    OpenCatalog();
    CEntryWindow* window = Show(0);
    Tab1* tab1 = window->view()->tab1();
    if (typed[0] != "-") tab1->title_edit()->setPlainText(typed[0]);
    for (int level = 1; level <= 3; ++level) {
      if (typed[level] != "-") tab1->category_box(level)->setEditText(typed[level]);
    }
    if (changed_entry >= 0) {
      commands::CategoryTriple names;
      for (int k = 0; k < 3; ++k) names[k] = FromQString(chosen[k] == "-" ? Q("＜変更しない＞") : chosen[k]);
      QCOMPARE(commands::ChangeCategories(host()->document(), {changed_entry}, names), kSaveOk);
      QVERIFY(tab1->category_box(1)->findText(chosen[0]) >= 0);  // the names now listed
    } else {
      QCOMPARE(commands::EditLabels(host()->document(), {Sjis("分類１"), Sjis("巻"), Sjis("分類３")}), kSaveOk);
      QCOMPARE(tab1->category_label(2)->text(), Q("巻"));
    }
    QStringList shown = {tab1->title_edit()->toPlainText()};
    for (int level = 1; level <= 3; ++level) shown << tab1->category_box(level)->currentText();
    QCOMPARE(shown.join('/'), stored);
    Close(window);
    const EntryRecord e = StoredEntry(kPath, 0);
    QCOMPARE(ToQString(e.title.Text() + "/" + e.CategoryName(1) + "/" + e.CategoryName(2) + "/" +
                       e.CategoryName(3)),
             stored);
  }

  void closingUnchangedStillStampsAndWrites() {
    OpenCatalog();
    const EntryRecord before = StoredEntry(kPath, 1);
    CEntryWindow* window = Show(1);
    env_->fake().SetNow({2025, 1, 2, 3, 4, 5, 6});
    Close(window);
    const EntryRecord after = StoredEntry(kPath, 1);
    QCOMPARE(after.update_date.Text(), std::string("20250102030405006"));
    EntryRecord expected = before;
    expected.update_date = after.update_date;
    expected.last_view_date = after.last_view_date;  // stamped by the opening
    // Every text of the form is written again, as the system writes texts (an empty one gets
    // its byte-order mark); nothing else changes.
    for (auto* field : {&expected.title, &expected.author_name, &expected.editor_name,
                        &expected.supervisor_name, &expected.translator_name,
                        &expected.publisher_name}) {
      field->SetText(field->Text());
    }
    expected.note.SetText(expected.note.Text());
    for (int level = 1; level <= 3; ++level) expected.SetCategoryName(level, expected.CategoryName(level));
    QVERIFY(after == expected);
  }

  // A name the list does not hold is shown as the entry has it, not replaced by the first
  // name that begins like it, so that closing without an edit keeps it.
  void aNameMissingFromTheListIsKept_data() {
    QTest::addColumn<QString>("name");
    QTest::newRow("a prefix of a listed name") << Q("専");
    QTest::newRow("not listed at all") << Q("雑誌");
    QTest::newRow("empty") << QString();
  }

  void aNameMissingFromTheListIsKept() {
    QFETCH(QString, name);
    const bool empty = name.isEmpty();
    OpenCatalog([&](EntryRecord& e) { e.SetCategoryName(2, FromQString(name)); });
    CEntryWindow* window = Show(1);
    QComboBox* box = window->view()->tab1()->category_box(2);
    QCOMPARE(box->currentIndex(), -1);
    QCOMPARE(box->currentText(), name);
    Close(window);
    QCOMPARE(ToQString(StoredEntry(kPath, 1).CategoryName(2)), empty ? Q("その他") : name);
  }

  void fieldLimitsCutOnACharacter_data() {
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("stored");
    const QString k63 = QString::fromUtf8(Repeat("漢", 63));
    const QString k127 = QString::fromUtf8(Repeat("漢", 127));
    QTest::newRow("title of 127 bytes stays") << "title" << "a" + k63 << "a" + k63;
    QTest::newRow("title of 128 bytes loses its last character") << "title" << k63 + "漢" << k63;
    QTest::newRow("title of 128 bytes, one byte over") << "title" << "ab" + k63 << "ab" + k63.left(62);
    QTest::newRow("author of 129 bytes") << "author" << "a" + k63 + "漢" << "a" + k63;
    QTest::newRow("note of 255 bytes stays") << "note" << "a" + k127 << "a" + k127;
    QTest::newRow("note of 256 bytes") << "note" << k127 + "漢" << k127;
    QTest::newRow("category of 128 bytes") << "category" << k63 + "漢" << k63;
    QTest::newRow("cleared category is その他") << "category" << "" << "その他";
  }

  void fieldLimitsCutOnACharacter() {
    QFETCH(QString, field);
    QFETCH(QString, typed);
    QFETCH(QString, stored);
    OpenCatalog();
    CEntryWindow* window = Show(0);
    Tab1* tab1 = window->view()->tab1();
    if (field == "title") tab1->title_edit()->setPlainText(typed);
    if (field == "author") tab1->person_edit(Tab1::kAuthor)->setText(typed);
    if (field == "note") tab1->note_edit()->setPlainText(typed);
    if (field == "category") tab1->category_box(3)->setEditText(typed);
    Close(window);
    const EntryRecord e = StoredEntry(kPath, 0);
    const std::string text = field == "title"    ? e.title.Text()
                             : field == "author" ? e.author_name.Text()
                             : field == "note"   ? e.note.Text()
                                                 : e.CategoryName(3);
    QCOMPARE(ToQString(text), stored);
  }

  void categoryBoxesListTheCatalogsNames() {
    OpenCatalog();
    Tab1* tab1 = Show(1)->view()->tab1();
    auto items = [](const QComboBox* box) {
      QStringList texts;
      for (int i = 0; i < box->count(); ++i) texts << box->itemText(i);
      return texts;
    };
    // In CP932 byte order, その他 last.
    QCOMPARE(items(tab1->category_box(1)), (QStringList{Q("技術書"), Q("小説"), Q("その他")}));
    QCOMPARE(items(tab1->category_box(2)), (QStringList{Q("専門"), Q("入門"), Q("その他")}));
    QCOMPARE(items(tab1->category_box(3)), (QStringList{Q("単行本"), Q("文庫"), Q("その他")}));
    QCOMPARE(tab1->category_box(1)->currentIndex(), 1);
    QCOMPARE(tab1->category_box(2)->currentIndex(), 1);
    QVERIFY(tab1->category_box(1)->isEditable());
    QVERIFY(!tab1->rating_box()->isEditable());
  }

  // A cleared level stores その他; the three names that are not yet a category become one,
  // and the browser's lists and rows show the change: the list filtered on 技術書 loses the
  // entry that left it, and its count follows.
  void newTripleAppearsInTheBrowser() {
    OpenCatalog();
    ClickRow(browser_->view()->category_list(1), 1);  // 技術書: entry 0
    CEntryWindow* window = Show(0);
    Tab1* tab1 = window->view()->tab1();
    tab1->category_box(1)->setEditText(Q("新分類"));
    tab1->category_box(3)->setEditText(QString());
    tab1->title_edit()->setPlainText(Q("改題"));
    Close(window);
    CVeldraDocument doc;
    doc.OpenCatalog(kPath);
    QVERIFY(doc.CategoryExists(Sjis("新分類"), Sjis("入門"), Sjis("その他")));
    const auto level1 = ItemTexts(browser_->view()->category_list(1));
    QVERIFY(std::find(level1.begin(), level1.end(), "新分類") != level1.end());
    QVERIFY(Titles(browser_->view()).empty());
    QCOMPARE(browser_->view()->count_label()->text(), Q("0件"));
  }

  void ratingListIsTheStarsAndTheIndexIsStored_data() {
    QTest::addColumn<int>("stored");
    QTest::addColumn<int>("shown_index");
    QTest::addColumn<int>("chosen");
    QTest::addColumn<int>("written");
    QTest::newRow("3 shows three stars, empty item stores 0") << 3 << 3 << 0 << 0;
    QTest::newRow("0 shows the empty item, five stars store 5") << 0 << 0 << 5 << 5;
    QTest::newRow("out of range shows nothing and is kept") << 7 << -1 << -1 << 7;
  }

  void ratingListIsTheStarsAndTheIndexIsStored() {
    QFETCH(int, stored);
    QFETCH(int, shown_index);
    QFETCH(int, chosen);
    QFETCH(int, written);
    OpenCatalog([&](EntryRecord& e) { e.my_rate = static_cast<int16_t>(stored); });
    CEntryWindow* window = Show(1);
    QComboBox* rating = window->view()->tab1()->rating_box();
    QCOMPARE(rating->count(), 6);
    QStringList items;
    for (int i = 0; i < rating->count(); ++i) items << rating->itemText(i);
    QCOMPARE(items, (QStringList{"", Q("☆"), Q("☆☆"), Q("☆☆☆"), Q("☆☆☆☆"), Q("☆☆☆☆☆")}));
    QCOMPARE(rating->currentIndex(), shown_index);
    if (chosen >= 0) rating->setCurrentIndex(chosen);
    Close(window);
    QCOMPARE(int(StoredEntry(kPath, 1).my_rate), written);
  }
};

QTEST_MAIN(EntryWindowTest)
#include "entry_window_test.moc"
