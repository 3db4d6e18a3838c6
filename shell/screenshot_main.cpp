// veldra_screenshot OUTPUT.png CATALOG [ENTRY_OUTPUT.png]: opens CATALOG (made with sample data
// when it does not exist) in the application, chooses a category and a few rows as a user
// would, and saves a picture of the main window. With ENTRY_OUTPUT.png it also opens the
// property window of the first selected row, fills in its people and note as a user would,
// and saves the window with its attribute page and with its information page side by side.
// Used by scripts/screenshot.sh for the documentation.
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPainter>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QTabWidget>
#include <QTimer>
#include <cstdio>
#include <string>

#include "browser/catalog_document_host.h"
#include "browser/entry_list_ctrl.h"
#include "browser/category_list_ctrl.h"
#include "browser/main_window_view.h"
#include "browser/ui_text.h"
#include "shell/entry_window.h"
#include "shell/entry_window_tab1_view.h"
#include "shell/entry_window_view.h"
#include "shell/main_frame.h"
#include "shell/screenshot_setup.h"
#include "shell/veldra_app.h"
#include "storage/catalog_document.h"

int main(int argc, char** argv) {
  QApplication qt_app(argc, argv);
  if (argc != 3 && argc != 4) {
    std::fprintf(stderr, "usage: veldra_screenshot OUTPUT.png CATALOG [ENTRY_OUTPUT.png]\n");
    return 2;
  }
  const QString output = QString::fromLocal8Bit(argv[1]);
  veldra::CVeldraApp app;
  if (!veldra::StartScreenshotApp(app, argv[2])) return 1;
  veldra::CMainFrame* frame = app.main_frame();
  frame->resize(1000, 700);
  if (app.Documents().empty()) return 1;
  auto* browser = app.Documents().front()->browser_frame();
  auto* view = static_cast<veldra::CMainWindowView*>(browser->widget());

  QTimer::singleShot(300, [&] {
    browser->setGeometry(QRect(QPoint(0, 0), frame->mdi_area()->viewport()->size()));
    // A category chosen in the first list, and two rows selected.
    view->category_list(1)->SelectText(veldra::UiText("技術書"));
    view->OnCat1ListClick();
    view->entry_list()->SelectRows({1, 2});
    view->entry_list()->setFocus();
  });
  QTimer::singleShot(900, [&] {
    const bool saved = frame->grab().save(output, "PNG");
    std::fprintf(stderr, saved ? "saved %s\n" : "cannot save %s\n", argv[1]);
    if (!saved || argc == 3) QApplication::exit(saved ? 0 : 1);
  });
  if (argc == 3) return qt_app.exec();

  // The property window of the first selected row.
  veldra::CEntryWindow* entry_window = nullptr;
  QTimer::singleShot(1100, [&] {
    const auto rows = view->entry_list()->SelectedRows();
    const veldra::RecordArray& displayed = view->document()->filtered_entries();
    if (rows.empty() || rows.front() >= displayed.Count()) return;
    const int32_t id = veldra::EncodedEntryId(displayed.At(rows.front()));
    entry_window = qobject_cast<veldra::CEntryWindow*>(
        veldra::ShowEntryWindow(app.Documents().front(), id));
    if (entry_window == nullptr) return;
    entry_window->move(160, 40);
    auto* page = entry_window->view()->tab1();
    using Page = veldra::CEntryWindowTab1View;
    page->person_edit(Page::kEditor)->setText(QStringLiteral("技術書編集部"));
    page->person_edit(Page::kPublisher)->setText(QStringLiteral("ヴェルドラ出版"));
    page->note_edit()->setPlainText(QStringLiteral("第3版。付録のサンプルコードは別冊。"));
    page->rating_box()->setCurrentIndex(4);
    page->title_edit()->setFocus();
  });
  QTimer::singleShot(1700, [&] {
    if (entry_window == nullptr) {
      std::fprintf(stderr, "cannot open a property window\n");
      QApplication::exit(1);
      return;
    }
    QTabWidget* tabs = entry_window->view()->tab_control();
    const QPixmap attributes = entry_window->grab();
    tabs->setCurrentIndex(veldra::CEntryWindowView::kInformationTab);
    const QPixmap information = entry_window->grab();
    tabs->setCurrentIndex(veldra::CEntryWindowView::kAttributeTab);
    const int gap = 16;
    QPixmap both(attributes.width() + gap + information.width(), attributes.height());
    both.fill(Qt::white);
    QPainter painter(&both);
    painter.drawPixmap(0, 0, attributes);
    painter.drawPixmap(attributes.width() + gap, 0, information);
    painter.end();
    const bool saved = both.save(QString::fromLocal8Bit(argv[3]), "PNG");
    std::fprintf(stderr, saved ? "saved %s\n" : "cannot save %s\n", argv[3]);
    QApplication::exit(saved ? 0 : 1);
  });
  return qt_app.exec();
}
