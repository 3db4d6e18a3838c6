// Shared helpers of the browser and shell tests (with the catalogs and texts of
// tests/support): a browser window opened in a window area, and clicks on list items.
#pragma once

#include <QMdiArea>
#include <QObject>
#include <QPoint>
#include <QUrl>
#include <array>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "browser/catalog_document_host.h"
#include "browser/detail_window_opener.h"
#include "browser/fake_dialog_service.h"
#include "browser/main_window.h"
#include "browser/main_window_view.h"
#include "platform/fake_platform.h"
#include "storage/catalog_entry_record.h"
#include "storage/chunk_header.h"
#include "tests/support/test_catalog.h"
#include "tests/support/test_text.h"

class QListWidget;

namespace veldra::testing {

// The entry with id as the catalog file at path holds it (a default record when none).
EntryRecord StoredEntry(const std::string& path, int32_t id);

// A fake platform and a fake dialog service installed for the lifetime of the object, and
// a window area to put browsers in.
class GuiTestEnvironment {
 public:
  // with_area: make a window area for OpenBrowser (area() is nullptr without one).
  explicit GuiTestEnvironment(bool with_area = true);
  ~GuiTestEnvironment();

  platform::FakePlatform& fake() { return fake_; }
  FakeDialogService& dialogs() { return dialogs_; }
  QMdiArea* area() const { return area_.get(); }

  // Opens the catalog at path in a browser window, as the application does.
  CMainWindow* OpenBrowser(const std::string& path);
  // Closes the browser and lets it be destroyed (its view saves on destruction).
  void CloseBrowser(CMainWindow* frame);

 private:
  platform::FakePlatform fake_;
  platform::ScopedPlatform use_platform_;
  FakeDialogService dialogs_;
  ScopedDialogService use_dialogs_;
  std::unique_ptr<QMdiArea> area_;
};

// The base of a browser test class: the environment a test makes in init() and drops in
// cleanup(), and the browser window it opened.
class BrowserTestBase : public QObject {
 protected:
  std::unique_ptr<GuiTestEnvironment> env_;
  CMainWindow* frame_ = nullptr;
  CMainWindowView* view() const { return frame_->view(); }
  FakeDialogService& dialogs() { return env_->dialogs(); }
  // Closes the browser, puts the counter (tag, key) of the catalog at path at the top of its
  // range, as only a forged file has it, and opens the browser again. false on failure.
  bool ReopenWithCounterAtTop(const std::string& path, ChunkTag tag, std::string_view key);
};

// Opens plain child windows as the entry and PDF windows of a catalog, registering them in
// its window lists as the real ones do. opened lists "entry ID" and "pdf ID" in order.
class StandInOpener : public DetailWindowOpener {
 public:
  explicit StandInOpener(QMdiArea* area) : area_(area) {}
  QMdiSubWindow* OpenEntryWindow(CatalogDocumentHost* host, int32_t id) override;
  QMdiSubWindow* OpenPdfWindow(CatalogDocumentHost* host, int32_t id, int ordinal) override;
  // Opens as OpenPdfWindow, noting "pdf ID at PAGE: TEXT".
  QMdiSubWindow* OpenPdfWindowAtHit(CatalogDocumentHost* host, int32_t id, int ordinal,
                                    const QString& text, int page) override;
  std::vector<std::string> opened;

 private:
  QMdiSubWindow* Make(CatalogDocumentHost* host, const QString& title);
  QMdiArea* area_;
};

// Drags urls onto target and drops them there as Qt delivers a drag from a file manager
// (offered: the actions the source allows), then runs what the drop queued. true when
// target took the drag and the drop, as a copy.
bool DropUrls(QWidget* target, const QList<QUrl>& urls,
              Qt::DropActions offered = Qt::CopyAction | Qt::MoveAction);

// The texts (UTF-8) of the message boxes dialogs was asked for, in order; a box that is not
// the application's warning box (caption "VELDRA", warning icon, OK alone) reads
// "<not a warning box>".
std::vector<std::string> WarningTexts(const FakeDialogService& dialogs);

// The UTF-8 texts of a category list's items.
std::vector<std::string> ItemTexts(const QListWidget* list);
// The centre of row in list, in its viewport's coordinates.
QPoint RowCenter(const QListWidget* list, int row);
// A left click at the centre of row, or on the empty space below the items when row < 0.
void ClickRow(QListWidget* list, int row);
// The entry list's cell text (UTF-8).
std::string Cell(const CMainWindowView* view, int row, int column);
// The titles of all rows, top to bottom (UTF-8).
std::vector<std::string> Titles(const CMainWindowView* view);

}  // namespace veldra::testing
