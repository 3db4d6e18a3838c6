// The set-up the property window's tests share: a catalog of two entries with its browser,
// or the whole application with a catalog open, and the window opened on an entry.
#pragma once

#include <QApplication>
#include <QScopeGuard>
#include <QClipboard>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <functional>
#include <map>
#include <memory>

#include "browser/dialog_units.h"
#include "browser/entry_list_ctrl.h"
#include "browser/category_list_ctrl.h"
#include "tests/support/test_text.h"
#include "browser/ui_text.h"
#include "commands/batch_category_change.h"
#include "commands/label_edit.h"
#include "resources/command_ids.h"
#include "shell/app_font.h"
#include "shell/entry_window.h"
#include "shell/entry_window_tab1_view.h"
#include "shell/entry_window_tab2_view.h"
#include "shell/entry_window_view.h"
#include "shell/main_frame.h"
#include "shell/veldra_app.h"
#include "storage/catalog_document.h"
#include "storage/catalog_table.h"
#include "tests/browser/gui_test_support.h"

namespace veldra::testing::entry_window_test {

inline constexpr char kPath[] = "/data/entries.vdc";
using Tab1 = CEntryWindowTab1View;
using Tab2 = CEntryWindowTab2View;

inline std::string Utf8(const std::string& cp932) { return ToQString(cp932).toStdString(); }
inline QString Q(const char* utf8) { return QString::fromUtf8(utf8); }
inline std::string Repeat(const char* utf8, int times) {
  std::string s;
  for (int i = 0; i < times; ++i) s += utf8;
  return s;
}

// Changes the stored entry with id in the catalog at path.
inline void ChangeStored(const std::string& path, int32_t id, const std::function<void(EntryRecord&)>& change) {
  CVeldraDocument doc;
  doc.OpenCatalog(path);
  EntryRecord entry = StoredEntry(path, id);
  change(entry);
  doc.ReplaceEntry(doc.entries(), entry);
  QCOMPARE(doc.Save(), kSaveOk);
}

inline const std::vector<std::array<std::string, 3>> kTriples = {
    {"技術書", "入門", "文庫"}, {"技術書", "専門", "単行本"}, {"小説", "入門", "文庫"}};

class EntryWindowTestBase : public QObject {
 protected:
  std::unique_ptr<GuiTestEnvironment> env_;
  std::unique_ptr<CVeldraApp> app_;
  CMainWindow* browser_ = nullptr;

  // A catalog of two entries: 0 "プログラミング入門" (技術書/入門/文庫, 2 MB, 3 stars, people
  // and a note) and 1 "小説の本" (小説/入門/文庫, 1.5 KB), changed by change_entry1; its
  // browser is open.
  void OpenCatalog(const std::function<void(EntryRecord&)>& change_entry1 = nullptr) {
    QVERIFY(MakeTestCatalog(kPath, kTriples,
                            {{"プログラミング入門", {"技術書", "入門", "文庫"}, 2097152, 3},
                             {"小説の本", {"小説", "入門", "文庫"}, 1536, 0}}));
    ChangeStored(kPath, 0, [](EntryRecord& e) {
      e.author_name.SetText(Sjis("山田太郎"));
      e.editor_name.SetText(Sjis("編集部"));
      e.supervisor_name.SetText(Sjis("監修"));
      e.translator_name.SetText(Sjis("訳者"));
      e.publisher_name.SetText(Sjis("出版社A"));
      e.note.SetText(Sjis("一行目\n二行目"));
      e.last_view_date = CatalogTimestamp::FromLocalTime({2023, 3, 4, 5, 6, 7, 8});
    });
    if (change_entry1) ChangeStored(kPath, 1, change_entry1);
    browser_ = env_->OpenBrowser(kPath);
  }
  // The application with the catalog open, its main frame active, instead of a bare area.
  void StartApp() {
    env_.reset();  // the scoped platform of the old one goes before the new one comes
    env_ = std::make_unique<GuiTestEnvironment>(/*with_area=*/false);
    QVERIFY(MakeTestCatalog(kPath, kTriples, {{"本", {"技術書", "入門", "文庫"}}}));
    app_ = std::make_unique<CVeldraApp>();
    QVERIFY(app_->InitInstance({kPath}));
    browser_ = qobject_cast<CMainWindow*>(app_->Documents()[0]->browser_frame());
    app_->main_frame()->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(app_->main_frame()));
  }
  // Ends the application or the environment; no window may be left behind.
  void TearDown() {
    app_.reset();
    env_.reset();
    browser_ = nullptr;
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCOMPARE(QApplication::topLevelWidgets().size(), 0);
  }
  CatalogDocumentHost* host() const { return browser_->host(); }
  CEntryWindow* Show(int32_t id) {
    return qobject_cast<CEntryWindow*>(ShowEntryWindow(host(), id));
  }
  static void Close(QMdiSubWindow* window) {
    window->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  }
  int EntryWindowCount() const {
    int n = 0;
    for (QMdiSubWindow* w : env_->area()->subWindowList()) n += qobject_cast<CEntryWindow*>(w) != nullptr;
    return n;
  }

};

}  // namespace veldra::testing::entry_window_test
