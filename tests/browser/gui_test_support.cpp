#include "tests/browser/gui_test_support.h"

#include <QCoreApplication>
#include <QDropEvent>
#include <QLabel>
#include <QListWidget>
#include <QMdiSubWindow>
#include <QMimeData>
#include <QTest>

#include "browser/entry_list_ctrl.h"
#include "browser/entry_list_model.h"
#include "storage/catalog_files.h"

namespace veldra::testing {

EntryRecord StoredEntry(const std::string& path, int32_t id) {
  CVeldraDocument doc;
  doc.Load(path);  // reads without taking the writer lock an open browser may hold
  return doc.FindEntry(id).value_or(EntryRecord{});
}

GuiTestEnvironment::GuiTestEnvironment(bool with_area)
    : use_platform_(&fake_), use_dialogs_(&dialogs_) {
  fake_.AddFolder("/data");
  fake_.SetNow({2024, 6, 1, 9, 0, 0, 0});
  if (with_area) {
    area_ = std::make_unique<QMdiArea>();
    area_->resize(1200, 900);
    area_->show();
  }
}

GuiTestEnvironment::~GuiTestEnvironment() {
  if (area_) area_->closeAllSubWindows();
  area_.reset();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

CMainWindow* GuiTestEnvironment::OpenBrowser(const std::string& path) {
  auto* host = new CatalogDocumentHost();
  host->Open(path);
  auto* frame = new CMainWindow(host);
  area_->addSubWindow(frame);
  frame->view()->OnInitialUpdate();
  frame->show();
  area_->setActiveSubWindow(frame);
  return frame;
}

void GuiTestEnvironment::CloseBrowser(CMainWindow* frame) {
  frame->close();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

bool BrowserTestBase::ReopenWithCounterAtTop(const std::string& path, ChunkTag tag,
                                             std::string_view key) {
  env_->CloseBrowser(frame_);
  CVeldraDocument doc;
  doc.Load(path);
  const bool raised = RaiseCounter(doc.counters(), tag, key, kLastIdValue) &&
                      doc.SaveTables(path) == kSaveOk;
  frame_ = env_->OpenBrowser(path);
  return raised;
}

QMdiSubWindow* StandInOpener::OpenEntryWindow(CatalogDocumentHost* host, int32_t id) {
  QMdiSubWindow* w = Make(host, "entry " + QString::number(id));
  host->entry_windows().push_back({id, w});
  opened.push_back("entry " + std::to_string(id));
  return w;
}

QMdiSubWindow* StandInOpener::OpenPdfWindow(CatalogDocumentHost* host, int32_t id, int ordinal) {
  QMdiSubWindow* w = Make(host, "pdf " + QString::number(id));
  host->pdf_windows().push_back({id, ordinal, w});
  opened.push_back("pdf " + std::to_string(id));
  return w;
}

QMdiSubWindow* StandInOpener::OpenPdfWindowAtHit(CatalogDocumentHost* host, int32_t id,
                                                 int ordinal, const QString& text, int page) {
  QMdiSubWindow* w = OpenPdfWindow(host, id, ordinal);
  opened.back() += " at " + std::to_string(page) + ": " + text.toStdString();
  return w;
}

QMdiSubWindow* StandInOpener::Make(CatalogDocumentHost* host, const QString& title) {
  auto* w = new QMdiSubWindow;
  w->setAttribute(Qt::WA_DeleteOnClose);
  w->setWidget(new QLabel(title));
  w->setWindowTitle(title);
  area_->addSubWindow(w);
  w->show();
  area_->setActiveSubWindow(w);
  host->AttachView();
  QObject::connect(w, &QObject::destroyed, [host] { host->DetachView(); });
  return w;
}

bool DropUrls(QWidget* target, const QList<QUrl>& urls, Qt::DropActions offered) {
  QMimeData data;
  data.setUrls(urls);
  const QPoint at = target->rect().center();
  QDragEnterEvent enter(at, offered, &data, Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(target, &enter);
  if (!enter.isAccepted() || enter.dropAction() != Qt::CopyAction) return false;
  QDropEvent drop(QPointF(at), offered, &data, Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(target, &drop);
  QCoreApplication::sendPostedEvents(nullptr, QEvent::MetaCall);
  return drop.isAccepted() && drop.dropAction() == Qt::CopyAction;
}

std::vector<std::string> WarningTexts(const FakeDialogService& dialogs) {
  std::vector<std::string> texts;
  for (const MessageRequest& box : dialogs.messages) {
    const bool warning = box.caption == "VELDRA" && box.icon == MessageIcon::kWarning &&
                         box.buttons == std::vector<MessageButton>{MessageButton::kOk};
    texts.push_back(warning ? Utf8(box.text) : "<not a warning box>");
  }
  return texts;
}

std::vector<std::string> ItemTexts(const QListWidget* list) {
  std::vector<std::string> texts;
  for (int i = 0; i < list->count(); ++i) texts.push_back(list->item(i)->text().toStdString());
  return texts;
}

QPoint RowCenter(const QListWidget* list, int row) {
  return list->visualItemRect(list->item(row)).center();
}

void ClickRow(QListWidget* list, int row) {
  QPoint at;
  if (row >= 0) {
    at = RowCenter(list, row);
  } else {
    const QRect last = list->visualItemRect(list->item(list->count() - 1));
    at = QPoint(last.center().x(), last.bottom() + 8);
  }
  QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::NoModifier, at);
}

std::string Cell(const CMainWindowView* view, int row, int column) {
  const EntryListModel* model = view->entry_list()->entry_model();
  return model->data(model->index(row, column), Qt::DisplayRole).toString().toStdString();
}

std::vector<std::string> Titles(const CMainWindowView* view) {
  std::vector<std::string> titles;
  const EntryListModel* model = view->entry_list()->entry_model();
  for (int r = 0; r < model->rowCount(); ++r) titles.push_back(Cell(view, r, 0));
  return titles;
}

}  // namespace veldra::testing
