// The entry property window as a window: its stored position, maximized windows, the reuse
// of an open window with its last-view stamp, and the Edit commands with their one level of
// undo (the form itself: entry_window_test.cpp).
#include "tests/shell/entry_window_test_base.h"

using namespace veldra;
using namespace veldra::testing;
using namespace veldra::testing::entry_window_test;

class EntryWindowHandlingTest : public EntryWindowTestBase {
  Q_OBJECT

 private slots:
  void init() { env_ = std::make_unique<GuiTestEnvironment>(); }

  void cleanup() { TearDown(); }

  void positionIsSavedOnMoveAndRestored() {
    OpenCatalog();
    CEntryWindow* window = Show(1);
    const QPoint first_place = window->pos();
    // A new entry has no stored position: opening stores none.
    QCOMPARE(StoredEntry(kPath, 1).window_position, WindowRect{});
    window->move(130, 70);
    const QSize size = window->size();
    const WindowRect moved = StoredEntry(kPath, 1).window_position;
    QCOMPARE(moved, (WindowRect{70, 130, int16_t(70 + size.height()), int16_t(130 + size.width())}));
    Close(window);
    window = Show(1);
    QCOMPARE(window->pos(), QPoint(130, 70));
    QVERIFY(window->pos() != first_place);
  }

  // The catalog named on the command line opens before the main window shows: the property
  // windows it reopens without a stored position cascade inside the main window's client
  // area (they all stacked at its corner), and a stored position is kept.
  void windowsReopenedAtStartCascadeInsideTheArea() {
    env_.reset();
    env_ = std::make_unique<GuiTestEnvironment>(/*with_area=*/false);
    QVERIFY(MakeTestCatalog(kPath, kTriples, {{"一", {"技術書", "入門", "文庫"}},
                                              {"二", {"技術書", "入門", "文庫"}},
                                              {"三", {"技術書", "入門", "文庫"}}}));
    for (int32_t id : {0, 1, 2}) {
      ChangeStored(kPath, id, [id](EntryRecord& e) {
        e.entry_window_ordered_index = static_cast<int16_t>(id + 1);
        if (id == 2) e.window_position = {60, 70, 400, 300};
      });
    }
    app_ = std::make_unique<CVeldraApp>();
    QVERIFY(app_->InitInstance({kPath}));
    CatalogDocumentHost* catalog = app_->Documents()[0];
    QCOMPARE(catalog->entry_windows().size(), size_t(3));
    const QRect room = app_->main_frame()->mdi_area()->viewport()->rect();
    std::map<int32_t, QRect> rects;
    for (const auto& item : catalog->entry_windows()) rects[item.entry_id] = item.window->geometry();
    QCOMPARE(rects[2].topLeft(), QPoint(70, 60));
    QVERIFY(room.contains(rects[0]) && room.contains(rects[1]));
    QVERIFY(rects[0].topLeft() != rects[1].topLeft());
  }

  void newWindowIsRestoredWhenChildWindowsAreMaximized() {
    OpenCatalog([](EntryRecord& e) { e.window_position = {40, 50, 400, 300}; });
    browser_->showMaximized();
    QVERIFY(browser_->isMaximized());
    CEntryWindow* window = Show(1);
    QVERIFY(!window->isMaximized());
    QCOMPARE(window->pos(), QPoint(50, 40));
    QCOMPARE(window->size(), window->minimumSize());
  }

  // Activated while the other child windows are maximized, the window area maximizes the
  // property window too: its stored position stays the one the user gave it.
  void maximizedWindowStoresNoPosition() {
    OpenCatalog([](EntryRecord& e) { e.window_position = {40, 50, 400, 300}; });
    CEntryWindow* window = Show(1);
    const WindowRect placed = StoredEntry(kPath, 1).window_position;
    QCOMPARE(placed.left, int16_t(50));
    browser_->showMaximized();
    env_->area()->setActiveSubWindow(window);
    QVERIFY(window->isMaximized());
    env_->area()->resize(1000, 700);
    QCoreApplication::processEvents();
    QCOMPARE(StoredEntry(kPath, 1).window_position, placed);
  }

  void openWindowIsReusedWithItsEditsAndStampedAgain() {
    OpenCatalog();
    CEntryWindow* window = Show(0);
    Show(1);
    QCOMPARE(StoredEntry(kPath, 0).last_view_date.Text(), std::string("20240601090000000"));
    window->view()->tab1()->title_edit()->setPlainText(Q("編集中"));
    env_->fake().SetNow({2024, 6, 2, 10, 0, 0, 0});
    QCOMPARE(Show(0), window);
    QCOMPARE(EntryWindowCount(), 2);
    QCOMPARE(host()->entry_windows().size(), size_t(2));
    QCOMPARE(env_->area()->activeSubWindow(), window);
    QCOMPARE(window->view()->tab1()->title_edit()->toPlainText(), Q("編集中"));
    const EntryRecord stamped = StoredEntry(kPath, 0);
    QCOMPARE(stamped.last_view_date.Text(), std::string("20240602100000000"));
    QCOMPARE(stamped.update_date.Text(), std::string("20240602100000000"));
    QCOMPARE(Utf8(stamped.title.Text()), std::string("プログラミング入門"));
  }

  void nothingOpensWithoutADocumentOrEntry() {
    OpenCatalog();
    QVERIFY(ShowEntryWindow(nullptr, 0) == nullptr);
    QVERIFY(Show(99) == nullptr);
    QCOMPARE(EntryWindowCount(), 0);
  }

  void anEntryGoneBeforeTheCommitIsNotWritten() {
    OpenCatalog();
    CEntryWindow* window = Show(0);
    window->view()->tab1()->title_edit()->setPlainText(Q("消える"));
    host()->document().RemoveEntry(0);
    const std::string before = env_->fake().ReadFileBytes(kPath);
    Close(window);
    QCOMPARE(env_->fake().ReadFileBytes(kPath), before);
    QCOMPARE(host()->document().entries().Count(), 1);
  }

  // The browser's rows are rebuilt by the commit; their selection is kept.
  void browserSelectionSurvivesTheCommit() {
    OpenCatalog();
    CEntryWindow* window = Show(0);
    browser_->view()->entry_list()->SelectRows({1});
    Close(window);
    QCOMPARE(browser_->view()->entry_list()->SelectedRows(), std::vector<int>{1});
  }

  void undoAndRedoShareOneLevel_data() {
    QTest::addColumn<QString>("field");
    QTest::newRow("title") << "title";
    QTest::newRow("person") << "person";
    QTest::newRow("category box") << "category";
  }

  void undoAndRedoShareOneLevel() {
    QFETCH(QString, field);
    OpenCatalog();
    CEntryWindowView* view = Show(1)->view();
    Tab1* tab1 = view->tab1();
    QWidget* target = field == "title"    ? static_cast<QWidget*>(tab1->title_edit())
                      : field == "person" ? static_cast<QWidget*>(tab1->person_edit(Tab1::kEditor))
                                          : static_cast<QWidget*>(tab1->category_box(2)->lineEdit());
    auto text = [&] {
      if (auto* plain = qobject_cast<QPlainTextEdit*>(target)) return plain->toPlainText();
      return static_cast<QLineEdit*>(target)->text();
    };
    auto enabled = [&](int id) { return view->QueryCommand(id) == CommandState::kEnabled; };
    target->setFocus();
    const QString before = text();
    QVERIFY(!enabled(cmd::kEditUndo));  // nothing typed yet
    QVERIFY(!enabled(cmd::kEditRedo));
    QTest::keyClicks(target, "xyz");
    const QString typed = text();
    QVERIFY(typed != before);
    QVERIFY(enabled(cmd::kEditUndo));
    QVERIFY(!enabled(cmd::kEditRedo));
    view->RunCommand(cmd::kEditUndo);
    QCOMPARE(text(), before);
    QVERIFY(tab1->undo_toggle());
    QVERIFY(!enabled(cmd::kEditUndo));
    QVERIFY(enabled(cmd::kEditRedo));
    view->RunCommand(cmd::kEditRedo);
    QCOMPARE(text(), typed);
    QVERIFY(!tab1->undo_toggle());
    QVERIFY(enabled(cmd::kEditUndo));
    QVERIFY(!enabled(cmd::kEditRedo));
  }

  // Typing after an undo: the next step of the one level takes the typing back.
  void redoAfterTypingTakesTheTypingBack() {
    OpenCatalog();
    CEntryWindowView* view = Show(1)->view();
    QLineEdit* edit = view->tab1()->person_edit(Tab1::kAuthor);
    edit->setFocus();
    QTest::keyClicks(edit, "ab");
    view->RunCommand(cmd::kEditUndo);
    QTest::keyClicks(edit, "c");
    QCOMPARE(view->QueryCommand(cmd::kEditUndo), CommandState::kDisabled);
    QCOMPARE(view->QueryCommand(cmd::kEditRedo), CommandState::kEnabled);
    view->RunCommand(cmd::kEditRedo);
    QCOMPARE(edit->text(), QString());
  }

  void editCommandsActOnTheFocusedField() {
    OpenCatalog();
    CEntryWindowView* view = Show(0)->view();
    Tab1* tab1 = view->tab1();
    QLineEdit* author = tab1->person_edit(Tab1::kAuthor);
    author->setFocus();
    view->RunCommand(cmd::kEditSelectAll);
    QCOMPARE(author->selectedText(), Q("山田太郎"));
    view->RunCommand(cmd::kSelectNone);
    QVERIFY(!author->hasSelectedText());
    QCOMPARE(author->cursorPosition(), 0);
    view->RunCommand(cmd::kEditSelectAll);
    view->RunCommand(cmd::kEditCopy);
    QCOMPARE(QApplication::clipboard()->text(), Q("山田太郎"));
    view->RunCommand(cmd::kEditCut);
    QCOMPARE(author->text(), QString());
    QLineEdit* box_edit = tab1->category_box(1)->lineEdit();
    tab1->category_box(1)->setFocus();
    view->RunCommand(cmd::kEditSelectAll);
    view->RunCommand(cmd::kEditPaste);
    QCOMPARE(box_edit->text(), Q("山田太郎"));
    view->RunCommand(cmd::kEditSelectAll);
    view->RunCommand(cmd::kEditClear);
    QCOMPARE(box_edit->text(), QString());
    // Outside the fields the commands are there but change nothing.
    tab1->rating_box()->setFocus();
    QCOMPARE(view->QueryCommand(cmd::kEditPaste), CommandState::kEnabled);
    view->RunCommand(cmd::kEditPaste);
    QCOMPARE(tab1->rating_box()->currentIndex(), 3);
    QCOMPARE(view->QueryCommand(cmd::kEditUndo), CommandState::kDisabled);
  }

  // The keys of the accelerator table reach the form's commands, also from inside a field
  // that has keys of its own.
  void acceleratorsGoThroughTheCommands() {
    StartApp();
    CMainFrame* frame = app_->main_frame();
    CEntryWindow* window = Show(0);
    QVERIFY(window != nullptr);
    QCOMPARE(frame->mdi_area()->activeSubWindow(), window);
    Tab1* tab1 = window->view()->tab1();
    QPlainTextEdit* title = tab1->title_edit();
    title->setFocus();
    title->moveCursor(QTextCursor::End);
    QTest::keyClicks(title, "xyz");
    QCOMPARE(title->toPlainText(), Q("本xyz"));
    QTest::keyClick(title, Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(title->toPlainText(), Q("本"));
    QVERIFY(tab1->undo_toggle());
    QTest::keyClick(title, Qt::Key_Z, Qt::ControlModifier);  // disabled until redo
    QTest::keyClick(title, Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);  // no key of redo
    QTest::keyClick(title, Qt::Key_Y, Qt::ControlModifier);
    QCOMPARE(title->toPlainText(), Q("本"));
    frame->UpdateMenus();
    QVERIFY(!frame->MenuAction(cmd::kEditUndo)->isEnabled());
    QVERIFY(frame->MenuAction(cmd::kEditRedo)->isEnabled());
    frame->MenuAction(cmd::kEditRedo)->trigger();
    QCOMPARE(title->toPlainText(), Q("本xyz"));
    QVERIFY(!tab1->undo_toggle());
    QTest::keyClick(title, Qt::Key_Backspace, Qt::AltModifier);  // the table's other undo key
    QCOMPARE(title->toPlainText(), Q("本"));
  }

  void menuWithThePropertyWindowActive_data() {
    QTest::addColumn<int>("id");
    QTest::addColumn<bool>("enabled");
    QTest::newRow("close window") << cmd::kFileClose << true;
    QTest::newRow("close catalog") << cmd::kCloseCatalog << false;
    QTest::newRow("import") << cmd::kPdfImport << false;
    QTest::newRow("cut") << cmd::kEditCut << true;
    QTest::newRow("select nothing") << cmd::kSelectNone << true;
    QTest::newRow("undo, nothing typed") << cmd::kEditUndo << false;
    QTest::newRow("redo") << cmd::kEditRedo << false;
    QTest::newRow("new catalog") << cmd::kFileNew << true;
  }

  void menuWithThePropertyWindowActive() {
    QFETCH(int, id);
    QFETCH(bool, enabled);
    StartApp();
    Show(0)->view()->tab1()->title_edit()->setFocus();
    app_->main_frame()->UpdateMenus();
    QCOMPARE(app_->main_frame()->MenuAction(id)->isEnabled(), enabled);
  }

  void ctrlWClosesThePropertyWindowOnly() {
    StartApp();
    QPointer<CEntryWindow> window = Show(0);
    window->view()->tab1()->person_edit(Tab1::kAuthor)->setFocus();
    QTest::keyClicks(window->view()->tab1()->person_edit(Tab1::kAuthor), "Ann");
    QTest::keyClick(window->view()->tab1()->person_edit(Tab1::kAuthor), Qt::Key_W, Qt::ControlModifier);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(window.isNull());
    QVERIFY(browser_->isVisible());
    QCOMPARE(StoredEntry(kPath, 0).author_name.Text(), std::string("Ann"));
  }

  void exitCommitsTheOpenForms() {
    StartApp();
    CEntryWindow* window = Show(0);
    window->view()->tab1()->note_edit()->setPlainText(Q("終了前のメモ"));
    app_->OnAppExit();
    app_.reset();
    QCOMPARE(Utf8(StoredEntry(kPath, 0).note.Text()), std::string("終了前のメモ"));
  }

  // Delete with nothing selected removes nothing (not the character after the caret).
  void deleteWithoutSelectionKeepsTheText() {
    OpenCatalog();
    CEntryWindowView* view = Show(0)->view();
    QPlainTextEdit* note = view->tab1()->note_edit();
    note->setFocus();
    view->RunCommand(cmd::kSelectNone);
    view->RunCommand(cmd::kEditClear);
    QCOMPARE(note->toPlainText(), Q("一行目\n二行目"));
  }
};

QTEST_MAIN(EntryWindowHandlingTest)
#include "entry_window_handling_test.moc"
