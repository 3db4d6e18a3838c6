// The browser's category commands: the "＋" and "－" buttons, the label editor and the
// batch change of the selected entries' categories, with their dialogs.
#include <QApplication>
#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <memory>

#include "browser/category_add_dlg.h"
#include "browser/category_label_edit_dlg.h"
#include "browser/change_category_name_dlg.h"
#include "browser/dialog_units.h"
#include "browser/entry_list_ctrl.h"
#include "browser/entry_list_model.h"
#include "browser/category_list_ctrl.h"
#include "browser/ui_text.h"
#include "commands/import_messages.h"
#include "commands/label_edit.h"
#include "resources/command_ids.h"
#include "storage/catalog_document.h"
#include "storage/catalog_table.h"
#include "storage/catalog_tags.h"
#include "tests/browser/gui_test_support.h"

using namespace veldra;
using namespace veldra::testing;
using Names = std::vector<std::string>;

namespace {

constexpr char kPath[] = "/data/cats.vdc";
const char* const kAll = "＜すべて＞";
const char* const kUnchanged = "＜変更しない＞";

// Triples (技術, A, p), (技術, B, q), (Tech, B, その他), (趣味, AB, p) and the default
// (その他, その他, その他). The entries use the first two and the third.
bool MakeCategoriesCatalog() {
  return MakeTestCatalog(
      kPath, {{"技術", "A", "p"}, {"技術", "B", "q"}, {"Tech", "B", "その他"}, {"趣味", "AB", "p"}},
      {{"e0", {"技術", "A", "p"}}, {"e1", {"技術", "B", "q"}}, {"e2", {"Tech", "B", "その他"}}});
}

// The catalog the test has open.
std::string g_path;

std::unique_ptr<CVeldraDocument> Reload() {
  auto doc = std::make_unique<CVeldraDocument>();
  doc->OpenCatalog(g_path);
  return doc;
}

// The triples of the stored catalog, "a/b/c" in UTF-8, in table order.
Names StoredTriples() {
  Names triples;
  std::unique_ptr<CVeldraDocument> doc = Reload();
  for (int i = 0; i < doc->categories().Count(); ++i) {
    const CategoryRecord c = CategoryAt(doc->categories(), i);
    triples.push_back(ToQString(c.Name(1) + "/" + c.Name(2) + "/" + c.Name(3)).toStdString());
  }
  return triples;
}

// The stored entries' categories, "a/b/c" in UTF-8, by entry id.
Names StoredEntryCategories() {
  Names out;
  std::unique_ptr<CVeldraDocument> doc = Reload();
  for (int id = 0; id < doc->entries().Count(); ++id) {
    const EntryRecord e = *doc->FindEntry(id);
    out.push_back(ToQString(e.CategoryName(1) + "/" + e.CategoryName(2) + "/" + e.CategoryName(3))
                      .toStdString());
  }
  return out;
}

// The UTF-8 texts of a combo box's items.
Names ComboItems(const QComboBox* combo) {
  Names items;
  for (int i = 0; i < combo->count(); ++i) items.push_back(combo->itemText(i).toStdString());
  return items;
}

// The row of the entry with title in the entry list.
int RowOf(const CMainWindowView* view, const std::string& title) {
  const Names titles = Titles(view);
  return static_cast<int>(std::find(titles.begin(), titles.end(), title) - titles.begin());
}

}  // namespace

class CategoryCommandsGuiTest : public BrowserTestBase {
  Q_OBJECT

 private:
  CategoryListCtrl* list(int level) const { return view()->category_list(level); }
  // Selects the entries with these titles.
  // Opens instead a catalog of these triples and entries.
  void OpenOther(const std::vector<std::array<std::string, 3>>& triples,
                 const std::vector<TestEntry>& entries) {
    env_->CloseBrowser(frame_);
    g_path = "/data/other.vdc";
    QVERIFY(MakeTestCatalog(g_path, triples, entries));
  }
  // Answers the next category add dialog: name typed, then OK clicked; accepted tells
  // whether the dialog took it.
  void AnswerAddWith(const QString& name, bool* accepted = nullptr) {
    dialogs().modal_handler = [name, accepted](QDialog* d) {
      auto* dialog = qobject_cast<CCategoryAddDlg*>(d);
      dialog->name_edit()->setText(name);
      QTest::mouseClick(dialog->ok_button(), Qt::LeftButton);
      if (accepted != nullptr) *accepted = dialog->result() == QDialog::Accepted;
      return dialog->result();
    };
  }
  void SelectEntries(const Names& titles) {
    std::vector<int> rows;
    for (const std::string& t : titles) rows.push_back(RowOf(view(), t));
    std::sort(rows.begin(), rows.end());
    view()->entry_list()->SelectRows(rows);
  }

 private slots:
  void init() {
    env_ = std::make_unique<GuiTestEnvironment>();
    g_path = kPath;
    QVERIFY(MakeCategoriesCatalog());
    frame_ = env_->OpenBrowser(kPath);
  }

  void cleanup() {
    frame_ = nullptr;
    env_.reset();
    QCOMPARE(QApplication::topLevelWidgets().size(), 0);
  }

  void buttonsAreEnabledAndRunTheirLevel() {
    for (int level = 1; level <= 3; ++level) {
      QVERIFY(view()->add_button(level)->isEnabled());
      QVERIFY(view()->delete_button(level)->isEnabled());
    }
    int label_level = 0;
    dialogs().modal_handler = [&](QDialog* d) {
      label_level = qobject_cast<CCategoryAddDlg*>(d)->level_label()->text() == QStringLiteral("分類２") ? 2 : -1;
      return int(QDialog::Rejected);
    };
    QTest::mouseClick(view()->add_button(2), Qt::LeftButton);
    QCOMPARE(label_level, 2);
    QTest::mouseClick(view()->delete_button(3), Qt::LeftButton);  // "＜すべて＞" is selected
    QCOMPARE(dialogs().messages.size(), size_t(1));
    QCOMPARE(dialogs().messages[0].text, Sjis("”＜すべて＞”と”その他”は削除できません。"));
  }

  void addDialogLayout() {
    const CVeldraDocument& doc = view()->host()->document();
    CCategoryAddDlg dialog(doc, 1);
    const DialogUnits units(dialog.font());
    QCOMPARE(dialog.windowTitle(), QStringLiteral("分類追加"));
    QCOMPARE(dialog.size(), units.Size(131, 83));
    QCOMPARE(dialog.level_label()->geometry(), units.Rect(12, 16, 107, 8));
    QCOMPARE(dialog.name_edit()->geometry(), units.Rect(12, 29, 107, 14));
    QCOMPARE(dialog.cancel_button()->geometry(), units.Rect(12, 56, 50, 16));
    QCOMPARE(dialog.ok_button()->geometry(), units.Rect(70, 56, 50, 16));
    QCOMPARE(dialog.cancel_button()->text(), QStringLiteral("キャンセル"));
    QVERIFY(dialog.ok_button()->isDefault());
    QCOMPARE(dialog.level_label()->text(), QStringLiteral("分類１"));
  }

  // OK with each name: refused names are explained and the dialog stays open; accepted
  // ones become a triple with "その他" for the other levels ("＜すべて＞" selected there).
  void addChecksTheName_data() {
    QTest::addColumn<int>("level");
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("without_other");  // no triple holds "その他"
    QTest::addColumn<QString>("warning");
    QTest::newRow("empty") << 1 << "" << false << "分類名を入力してください。";
    QTest::newRow("all") << 1 << kAll << false << "”＜すべて＞”は追加できません。";
    QTest::newRow("existing") << 1 << "技術" << false << "「技術」は、すでに登録されています。";
    QTest::newRow("other, existing") << 3 << "その他" << false << "「その他」は、すでに登録されています。";
    QTest::newRow("other, new") << 1 << "その他" << true << "";
    QTest::newRow("case differs") << 1 << "tech" << false << "";
    QTest::newRow("exists at another level only") << 1 << "AB" << false << "";
  }

  void addChecksTheName() {
    QFETCH(int, level);
    QFETCH(QString, name);
    QFETCH(bool, without_other);
    QFETCH(QString, warning);
    if (without_other) {
      OpenOther({{"技術", "A", "p"}}, {});
      std::unique_ptr<CVeldraDocument> doc = Reload();
      doc->categories().Remove(0);  // the catalog's own (その他, その他, その他)
      QCOMPARE(doc->Save(), kSaveOk);
      doc.reset();
      frame_ = env_->OpenBrowser(g_path);
      QCOMPARE(StoredTriples(), (Names{"技術/A/p"}));
    }
    const Names before = StoredTriples();
    bool accepted = false;
    AnswerAddWith(name, &accepted);
    view()->OnCategoryAdd(level);
    QCOMPARE(accepted, warning.isEmpty());
    if (!warning.isEmpty()) {
      QCOMPARE(dialogs().messages.size(), size_t(1));
      QCOMPARE(ToQString(dialogs().messages[0].text), warning);
      QCOMPARE(dialogs().messages[0].caption, std::string("VELDRA"));
      QCOMPARE(dialogs().messages[0].icon, MessageIcon::kWarning);
      QCOMPARE(StoredTriples(), before);
      return;
    }
    QCOMPARE(dialogs().messages.size(), size_t(0));
    Names expected = before;
    std::array<std::string, 3> triple = {"その他", "その他", "その他"};
    triple[level - 1] = name.toStdString();
    expected.push_back(triple[0] + "/" + triple[1] + "/" + triple[2]);
    QCOMPARE(StoredTriples(), expected);
    const Names items = ItemTexts(list(level));
    QVERIFY(std::find(items.begin(), items.end(), name.toStdString()) != items.end());
  }

  // The other levels take the names selected in their lists.
  void addTakesTheOtherListsSelections() {
    ClickRow(list(2), 3);  // B
    QCOMPARE(list(2)->SelectedText(), std::string("B"));
    AnswerAddWith(QStringLiteral("新"));
    view()->OnCategoryAdd(1);
    QCOMPARE(StoredTriples().back(), std::string("新/B/その他"));
    QCOMPARE(ItemTexts(list(1)), (Names{kAll, "Tech", "技術", "新"}));
    QCOMPARE(list(2)->SelectedText(), std::string("B"));
  }

  // A forged catalog whose category counter stands at the top of its range adds nothing.
  void addWithNoCategoryIdLeftSaysSoAndAddsNothing() {
    QVERIFY(ReopenWithCounterAtTop(kPath, kTagCategory, kCounterKeyCategory));
    const Names before = StoredTriples();
    const Names listed = ItemTexts(list(1));
    AnswerAddWith(QStringLiteral("新"));
    view()->OnCategoryAdd(1);
    QCOMPARE(dialogs().messages.size(), size_t(1));
    QCOMPARE(dialogs().messages[0].text,
             Sjis("このカタログは分類のID番号が上限（2147483647）に達したため、分類を追加できません。"
                  "何も変更しませんでした。"));
    QCOMPARE(StoredTriples(), before);
    QCOMPARE(ItemTexts(list(1)), listed);
  }

  void deleteRefusals_data() {
    QTest::addColumn<int>("level");
    QTest::addColumn<int>("row");  // -1: nothing selected
    QTest::addColumn<QString>("warning");
    QTest::newRow("all") << 1 << 0 << "”＜すべて＞”と”その他”は削除できません。";
    QTest::newRow("other") << 3 << 3 << "”＜すべて＞”と”その他”は削除できません。";
    QTest::newRow("in use") << 1 << 2 << "「技術」は使用中です。削除できません。";
  }

  void deleteRefusals() {
    QFETCH(int, level);
    QFETCH(int, row);
    QFETCH(QString, warning);
    list(level)->setCurrentRow(row);
    const Names before = StoredTriples();
    view()->OnCategoryDelete(level);
    QCOMPARE(dialogs().messages.size(), size_t(1));
    QCOMPARE(ToQString(dialogs().messages[0].text), warning);
    QCOMPARE(dialogs().messages[0].icon, MessageIcon::kWarning);
    QCOMPARE(StoredTriples(), before);
  }

  // Deleting the selected level-3 name "p" asks first; Yes removes every triple with it,
  // whatever its other names. The other lists still offer their names afterwards.
  void deleteAsksAndRemovesEveryTripleWithTheName() {
    OpenOther({{"X", "A", "p"}, {"Y", "B", "p"}, {"X", "A", "q"}}, {{"e0", {"X", "A", "q"}}});
    frame_ = env_->OpenBrowser(g_path);
    ClickRow(list(3), 1);  // p
    QCOMPARE(ItemTexts(list(1)), (Names{kAll, "X", "Y"}));

    dialogs().message_answers.push_back(MessageButton::kNo);
    view()->OnCategoryDelete(3);
    const MessageRequest& q = dialogs().messages.at(0);
    QCOMPARE(q.caption, Sjis("分類削除"));
    QCOMPARE(q.text, Sjis("「p」を削除してもよろしいですか？"));
    QCOMPARE(q.icon, MessageIcon::kQuestion);
    QVERIFY((q.buttons == std::vector<MessageButton>{MessageButton::kYes, MessageButton::kNo}));
    QCOMPARE(q.default_button, MessageButton::kNo);
    QVERIFY(q.owner == nullptr);
    QCOMPARE(StoredTriples().size(), size_t(4));

    dialogs().message_answers.push_back(MessageButton::kYes);
    view()->OnCategoryDelete(3);
    QCOMPARE(StoredTriples(), (Names{"その他/その他/その他", "X/A/q"}));
    QCOMPARE(Utf8(list(3)->SelectedText()), std::string(kAll));
    QCOMPARE(ItemTexts(list(3)), (Names{kAll, "q", "その他"}));
    QCOMPARE(ItemTexts(list(1)), (Names{kAll, "X", "その他"}));
    QCOMPARE(ItemTexts(list(2)), (Names{kAll, "A", "その他"}));
    QCOMPARE(Titles(view()), (Names{"e0"}));
  }

  // With nothing selected the empty name is the one deleted: asked about when no entry has
  // an empty name at that level.
  void deleteWithNothingSelectedAsksAboutTheEmptyName() {
    list(2)->clearSelection();
    view()->OnCategoryDelete(2);
    QCOMPARE(dialogs().messages.at(0).text, Sjis("「」を削除してもよろしいですか？"));
    QCOMPARE(StoredTriples().size(), size_t(5));
  }

  void labelEdit() {
    CCategoryLabelEditDlg* seen = nullptr;
    dialogs().modal_handler = [&](QDialog* d) {
      seen = qobject_cast<CCategoryLabelEditDlg*>(d);
      const DialogUnits units(seen->font());
      [&] {
        QCOMPARE(seen->size(), units.Size(155, 105));
        QCOMPARE(seen->label_edit(3)->geometry(), units.Rect(37, 52, 105, 14));
        QCOMPARE(seen->ok_button()->geometry(), units.Rect(92, 78, 50, 16));
        QCOMPARE(seen->label_edit(2)->text(), QStringLiteral("分類２"));
      }();
      seen->label_edit(1)->setText(QStringLiteral("著者"));
      seen->label_edit(2)->setText(QString());
      QTest::mouseClick(seen->ok_button(), Qt::LeftButton);
      return seen->result();
    };
    view()->RunCommand(cmd::kCategoryLabelEdit);
    QVERIFY(seen != nullptr);
    QCOMPARE(dialogs().modals.at(0).title, Sjis("分類ラベル編集"));
    QCOMPARE(view()->category_label(1)->text(), QStringLiteral("著者"));
    QCOMPARE(view()->category_label(2)->text(), QString());
    QCOMPARE(view()->category_label(3)->text(), QStringLiteral("分類３"));
    const QAbstractItemModel* model = view()->entry_list()->model();
    QCOMPARE(model->headerData(2, Qt::Horizontal).toString(), QStringLiteral("著者"));
    QCOMPARE(model->headerData(3, Qt::Horizontal).toString(), QString());
    QCOMPARE(model->headerData(4, Qt::Horizontal).toString(), QStringLiteral("分類３"));
    const auto stored = commands::CurrentLabels(*Reload());
    QCOMPARE(Utf8(stored[0]), std::string("著者"));
    QCOMPARE(stored[1], std::string());
  }

  void labelEditCancelledChangesNothing() {
    const std::string before = env_->fake().ReadFileBytes(g_path);
    dialogs().modal_handler = [](QDialog* d) {
      qobject_cast<CCategoryLabelEditDlg*>(d)->label_edit(1)->setText(QStringLiteral("x"));
      return int(QDialog::Rejected);
    };
    view()->OnCategoryLabelEdit();
    QCOMPARE(view()->category_label(1)->text(), QStringLiteral("分類１"));
    QCOMPARE(env_->fake().ReadFileBytes(g_path), before);
  }

  // What each combo box offers and starts with, for the selected entries.
  void batchDialogStart_data() {
    QTest::addColumn<QStringList>("titles");
    QTest::addColumn<int>("level");
    QTest::addColumn<QString>("start");
    QTest::addColumn<bool>("offers_unchanged");
    QTest::newRow("one entry") << QStringList{"e1"} << 2 << "B" << false;
    QTest::newRow("shared") << QStringList{"e0", "e1"} << 1 << "技術" << false;
    QTest::newRow("differing") << QStringList{"e0", "e1"} << 2 << kUnchanged << true;
    QTest::newRow("all differ") << QStringList{"e0", "e1", "e2"} << 3 << kUnchanged << true;
  }

  void batchDialogStart() {
    QFETCH(QStringList, titles);
    QFETCH(int, level);
    QFETCH(QString, start);
    QFETCH(bool, offers_unchanged);
    Names wanted;
    for (const QString& t : titles) wanted.push_back(t.toStdString());
    SelectEntries(wanted);
    Names items;
    QString text;
    QString label;
    dialogs().modal_handler = [&](QDialog* d) {
      auto* dialog = qobject_cast<CChangeCategoryNameDlg*>(d);
      items = ComboItems(dialog->combo(level));
      text = dialog->combo(level)->currentText();
      label = dialog->level_label(level)->text();
      return int(QDialog::Rejected);
    };
    view()->RunCommand(cmd::kCategoryBatchChange);
    QCOMPARE(dialogs().modals.at(0).title, Sjis("ダイアログ"));
    QCOMPARE(text, start);
    QCOMPARE(label, QStringLiteral("分類%1").arg(QChar(0xFF10 + level)));
    Names names;
    std::vector<std::string> level_names;
    view()->host()->document().ListLevelNames(level, &level_names);
    for (const std::string& n : level_names) names.push_back(Utf8(n));
    if (offers_unchanged) names.insert(names.begin(), kUnchanged);
    QCOMPARE(items, names);
  }

  // OK with the combo texts: a level left at "＜変更しない＞" keeps each entry's name, a
  // cleared one becomes "その他", a new name makes a triple per resulting combination.
  void batchChangeOk_data() {
    QTest::addColumn<QStringList>("texts");  // the combo texts at OK; "-" leaves one as it is
    QTest::addColumn<QStringList>("result");  // e0, e1, e2 afterwards
    QTest::addColumn<QStringList>("new_triples");
    QTest::newRow("new level-1 name")
        << QStringList{"新", "-", "-"} << QStringList{"新/A/p", "新/B/q", "Tech/B/その他"}
        << QStringList{"新/A/p", "新/B/q"};
    QTest::newRow("cleared level 2")
        << QStringList{"-", "", "-"} << QStringList{"技術/その他/p", "技術/その他/q", "Tech/B/その他"}
        << QStringList{"技術/その他/p", "技術/その他/q"};
    QTest::newRow("nothing changed")
        << QStringList{"-", "-", "-"} << QStringList{"技術/A/p", "技術/B/q", "Tech/B/その他"}
        << QStringList{};
  }

  void batchChangeOk() {
    QFETCH(QStringList, texts);
    QFETCH(QStringList, result);
    QFETCH(QStringList, new_triples);
    SelectEntries({"e0", "e1"});
    const Names before = StoredTriples();
    dialogs().modal_handler = [&](QDialog* d) {
      auto* dialog = qobject_cast<CChangeCategoryNameDlg*>(d);
      for (int k = 0; k < 3; ++k) {
        if (texts[k] != QStringLiteral("-")) dialog->combo(k + 1)->setEditText(texts[k]);
      }
      QTest::mouseClick(dialog->ok_button(), Qt::LeftButton);
      return dialog->result();
    };
    view()->OnCategoryBatchChange();
    Names expected_entries;
    for (const QString& r : result) expected_entries.push_back(r.toStdString());
    QCOMPARE(StoredEntryCategories(), expected_entries);
    Names expected_triples = before;
    for (const QString& t : new_triples) expected_triples.push_back(t.toStdString());
    QCOMPARE(StoredTriples(), expected_triples);
    // Every selected entry was written back, changed or not.
    std::unique_ptr<CVeldraDocument> doc = Reload();
    QCOMPARE(doc->FindEntry(0)->update_date.Text(), std::string("20240601090000000"));
    QCOMPARE(doc->FindEntry(2)->update_date.Text(), std::string("20240101120000000"));
  }

  // What is typed and confirmed with Enter is taken as typed: the boxes complete nothing,
  // neither to a listed name that begins like the text nor to one that differs in case.
  void batchChangeTakesTypedTextExactly_data() {
    QTest::addColumn<int>("level");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("e0");  // e0's categories afterwards
    QTest::newRow("prefix of a listed name") << 1 << "Te" << "Te/A/p";
    QTest::newRow("other case of a listed prefix") << 1 << "te" << "te/A/p";
    QTest::newRow("other case of a listed name") << 2 << "b" << "技術/b/p";
    QTest::newRow("a listed name") << 2 << "AB" << "技術/AB/p";
  }

  void batchChangeTakesTypedTextExactly() {
    QFETCH(int, level);
    QFETCH(QString, typed);
    QFETCH(QString, e0);
    SelectEntries({"e0"});
    dialogs().modal_handler = [&](QDialog* d) {
      auto* dialog = qobject_cast<CChangeCategoryNameDlg*>(d);
      dialog->show();  // Enter reaches the default button of a shown dialog only
      QLineEdit* edit = dialog->combo(level)->lineEdit();
      edit->selectAll();
      QTest::keyClicks(edit, typed);
      QTest::keyClick(edit, Qt::Key_Return);  // the box takes the key, then OK, the default
      return dialog->result();
    };
    view()->OnCategoryBatchChange();
    QCOMPARE(QString::fromStdString(StoredEntryCategories()[0]), e0);
  }

  // "＜すべて＞" is the lists' "all" item, never a category: OK refuses it and the dialog
  // stays open.
  void batchChangeRefusesTheAllItem() {
    SelectEntries({"e0"});
    bool accepted = true;
    dialogs().modal_handler = [&](QDialog* d) {
      auto* dialog = qobject_cast<CChangeCategoryNameDlg*>(d);
      dialog->combo(2)->setEditText(QStringLiteral("＜すべて＞"));
      QTest::mouseClick(dialog->ok_button(), Qt::LeftButton);
      accepted = dialog->result() == QDialog::Accepted;
      return int(QDialog::Rejected);
    };
    const Names before = StoredTriples();
    view()->OnCategoryBatchChange();
    QVERIFY(!accepted);
    QCOMPARE(dialogs().messages.size(), size_t(1));
    QCOMPARE(dialogs().messages[0].text, Sjis("”＜すべて＞”は追加できません。"));
    QCOMPARE(StoredEntryCategories()[0], std::string("技術/A/p"));
    QCOMPARE(StoredTriples(), before);
  }

  // Cancel still saves the catalog with the selection written.
  void batchChangeCancelledStillSaves() {
    SelectEntries({"e2"});
    view()->OnCategoryBatchChange();  // the fake cancels
    QCOMPARE(dialogs().modals.size(), size_t(1));
    std::unique_ptr<CVeldraDocument> doc = Reload();
    QCOMPARE(doc->FindEntry(2)->is_select_entrylist, uint8_t(1));
    QCOMPARE(doc->FindEntry(0)->is_select_entrylist, uint8_t(0));
    QCOMPARE(StoredEntryCategories()[2], std::string("Tech/B/その他"));
  }

  // A catalog that cannot be written (a read-only file, a full disk) says so once for the
  // window, at the first command that saves; what the file held stays as it was.
  void failedSavesAreToldOnceAndTheFileIsKept() {
    const std::string bytes = env_->fake().ReadFileBytes(g_path);
    env_->fake().FailWriteAfter(1, /*sticky=*/true);
    dialogs().modal_handler = [](QDialog* d) {
      if (auto* labels = qobject_cast<CCategoryLabelEditDlg*>(d)) {
        labels->label_edit(1)->setText(QStringLiteral("x"));
        QTest::mouseClick(labels->ok_button(), Qt::LeftButton);
      }
      if (auto* batch = qobject_cast<CChangeCategoryNameDlg*>(d)) {
        QTest::mouseClick(batch->ok_button(), Qt::LeftButton);
      }
      return d->result();
    };
    view()->OnCategoryLabelEdit();
    QCOMPARE(dialogs().messages.size(), size_t(1));
    QCOMPARE(dialogs().messages[0].text,
             commands::MessageSaveFailed("/data/cats.vdc", platform::Failure::kNoSpace));
    QCOMPARE(dialogs().messages[0].icon, MessageIcon::kWarning);
    SelectEntries({"e0"});
    view()->OnCategoryBatchChange();
    QCOMPARE(dialogs().messages.size(), size_t(1));
    env_->CloseBrowser(frame_);
    frame_ = nullptr;
    env_->fake().ClearWriteFailure();
    QCOMPARE(env_->fake().ReadFileBytes(g_path), bytes);
  }

  // A shared name that no category has starts as an empty text, never as another name that
  // merely begins like it; OK then gives "その他".
  void sharedNameWithoutACategoryStartsEmpty() {
    OpenOther({{"X", "AB", "p"}}, {{"e0", {"X", "A", "p"}}, {"e1", {"X", "A", "p"}}});
    frame_ = env_->OpenBrowser(g_path);
    SelectEntries({"e0", "e1"});
    QString start;
    dialogs().modal_handler = [&](QDialog* d) {
      auto* dialog = qobject_cast<CChangeCategoryNameDlg*>(d);
      start = dialog->combo(2)->currentText();
      QTest::mouseClick(dialog->ok_button(), Qt::LeftButton);
      return dialog->result();
    };
    view()->OnCategoryBatchChange();
    QCOMPARE(start, QString());
    QCOMPARE(StoredEntryCategories(), (Names{"X/その他/p", "X/その他/p"}));
  }
};

QTEST_MAIN(CategoryCommandsGuiTest)
#include "category_commands_gui_test.moc"
