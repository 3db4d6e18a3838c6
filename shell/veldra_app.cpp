#include "shell/veldra_app.h"

#include <QCoreApplication>
#include <QEvent>
#include <QFileInfo>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPointer>
#include <QString>
#include <QUrl>

#include "browser/catalog_document_host.h"
#include "browser/dialog_service.h"
#include "browser/ui_text.h"
#include "commands/command_messages.h"
#include "commands/recent_catalogs.h"
#include "platform/path_parts.h"
#include "platform/platform.h"
#include "resources/app_strings.h"
#include "resources/command_ids.h"
#include "shell/about_dialog.h"
#include "shell/app_detail_windows.h"
#include "shell/browser_template.h"
#include "shell/main_frame.h"
#include "shell/new_catalog_path.h"
#include "shell/pdf_window_template.h"
#include "shell/qt_translations.h"
#include "storage/catalog_tags.h"
#include "storage/preference_store.h"
#include "storage/remembered_folder.h"

namespace veldra {
namespace {

std::string FullPath(const std::string& path) {
  return FromQString(QFileInfo(ToQString(path)).absoluteFilePath());
}

static_assert(cmd::kRecentFileCount == commands::kRecentCatalogLimit);

// The place in the recent list of a recent-catalog command, or -1 for another command.
int RecentIndex(int id) {
  return id >= cmd::kRecentFile && id < cmd::kRecentFile + cmd::kRecentFileCount
             ? id - cmd::kRecentFile
             : -1;
}

}  // namespace

CVeldraApp::CVeldraApp() = default;

CVeldraApp::~CVeldraApp() {
  // The catalogs close as if their browsers were closed, then the windows go.
  if (main_frame_) CloseAllCatalogs();
  main_frame_.reset();
}

bool CVeldraApp::InitInstance(const std::vector<std::string>& args, bool show) {
  // The list controls and the viewer component need no set-up of their own: Qt is ready
  // once QApplication exists.
  // Qt's own texts (standard dialogs, button labels, system menus) are to be Japanese, and so
  // are the dates, sizes and file types its widgets show.
  InstallQtTranslations();
  UseJapaneseLocale();
  main_frame_ = std::make_unique<CMainFrame>(this);
  browser_template_ =
      std::make_unique<BrowserTemplate>(main_frame_->mdi_area(), main_frame_.get());
  pdf_template_ = std::make_unique<PdfWindowTemplate>(main_frame_->mdi_area(), main_frame_.get());
  detail_windows_ = std::make_unique<AppDetailWindows>(pdf_template_.get());
  browser_template_->set_detail_opener(detail_windows_.get());
  browser_template_->set_open_catalogs(this);

  // Known before the first catalog opens: the recent list beside the preference file records
  // it, and the viewers it reopens read the reader's preferences.
  preference_path_ = PreferencePath();
  SetPreferencePath(preference_path_);
  recent_catalogs_path_ = commands::RecentCatalogsPath(preference_path_);
  ReloadRecentCatalogs();

  // Without a path on the command line no catalog is opened or created.
  if (!args.empty() && !args.front().empty()) {
    if (OpenCatalog(FullPath(args.front())) == nullptr) return false;
  }

  if (show) main_frame_->show();
  main_frame_->UpdateMenus();
  return true;
}

std::vector<CatalogDocumentHost*> CVeldraApp::Documents() const {
  return browser_template_ ? browser_template_->Documents() : std::vector<CatalogDocumentHost*>{};
}

CatalogDocumentHost* CVeldraApp::FindDocument(const std::string& path) const {
  return browser_template_ ? browser_template_->FindOpenCatalog(path) : nullptr;
}

CatalogDocumentHost* CVeldraApp::FindOpenCatalog(const std::string& path) const {
  return FindDocument(path);
}

CatalogDocumentHost* CVeldraApp::DocumentOf(QMdiSubWindow* window) const {
  if (window == nullptr) return nullptr;
  for (CatalogDocumentHost* host : Documents()) {
    if (host->browser_frame() == window) return host;
    for (const auto& item : host->entry_windows()) {
      if (item.window == window) return host;
    }
    for (const auto& item : host->pdf_windows()) {
      if (item.window == window) return host;
    }
  }
  return nullptr;
}

CatalogDocumentHost* CVeldraApp::OpenCatalog(const std::string& path) {
  if (CatalogDocumentHost* open = FindDocument(path)) {
    main_frame_->mdi_area()->setActiveSubWindow(open->browser_frame());
    return Remembered(open, path);
  }
  return Remembered(browser_template_->OpenDocumentFile(path, true), path);
}

CatalogDocumentHost* CVeldraApp::Remembered(CatalogDocumentHost* host, const std::string& path) {
  // A file that is no catalog at all is not one to come back to.
  if (host != nullptr && host->loaded()) {
    StoreRecentCatalogs(
        commands::WithCatalogFirst(commands::LoadRecentCatalogs(recent_catalogs_path_), path));
  }
  return host;
}

void CVeldraApp::StoreRecentCatalogs(const std::vector<std::string>& list) {
  recent_catalogs_ = list;
  commands::SaveRecentCatalogs(recent_catalogs_path_, list);
  if (main_frame_) main_frame_->UpdateRecentMenu();
}

void CVeldraApp::ReloadRecentCatalogs() {
  commands::RecentFileState state;
  recent_catalogs_ = commands::LoadRecentCatalogs(recent_catalogs_path_, &state);
  if (state == commands::RecentFileState::kDamaged) {
    commands::SaveRecentCatalogs(recent_catalogs_path_, recent_catalogs_);
  }
  if (main_frame_) main_frame_->UpdateRecentMenu();
}

void CVeldraApp::CloseAllCatalogs() {
  for (CatalogDocumentHost* host : Documents()) {
    if (QMdiSubWindow* frame = host->browser_frame()) frame->close();
  }
}

void CVeldraApp::OnFileNew() {
  FileRequest request;
  request.kind = FileRequest::Kind::kSave;
  request.caption = UiText("新規作成");
  request.filters = {{UiText("VELDRAファイル(*.vdc)"), "*.vdc"}};
  request.selected_filter = 0;
  request.default_suffix = "vdc";
  request.initial_folder = ReadRememberedFolder(nullptr, kTagFolderNewCatalog);
  request.confirm_overwrite = true;
  request.owner = main_frame_.get();
  std::string chosen;
  if (!DialogService::Current().ChooseFile(request, &chosen)) return;

  StoreRememberedFolder(nullptr, kTagFolderNewCatalog, platform::FolderOfPath(chosen));
  const std::string path = NewCatalogPath(chosen);

  // A catalog open on that file is closed first, so that no window of it writes into the
  // new catalog afterwards.
  if (QPointer<CatalogDocumentHost> open = FindDocument(path)) {
    open->browser_frame()->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    if (open) return;
  }
  // A catalog that another process has open is not replaced behind its back: it opens
  // read-only instead, with the warning that says why.
  platform::Platform& fs = platform::Platform::Current();
  std::unique_ptr<platform::FileLock> lock;
  if (fs.FileExists(path) &&
      fs.TryLockFile(path, &lock) != platform::LockResult::kHeldElsewhere) {
    lock.reset();
    fs.Remove(path);
  }
  Remembered(browser_template_->OpenDocumentFile(path, true), path);
}

void CVeldraApp::OnFileOpen() {
  FileRequest request;
  request.kind = FileRequest::Kind::kOpen;
  request.caption = "Open";
  request.filters = {{UiText("VELDRAファイル (*.vdc)"), "*.vdc"}, {"All Files (*.*)", "*.*"}};
  request.selected_filter = 0;
  request.file_must_exist = true;
  request.hide_read_only = true;
  request.owner = main_frame_.get();
  std::string chosen;
  if (!DialogService::Current().ChooseFile(request, &chosen)) return;
  OpenCatalog(FullPath(chosen));
}

void CVeldraApp::OnOpenRecentCatalog(size_t index) {
  if (index >= recent_catalogs_.size()) return;
  const std::string path = recent_catalogs_[index];
  // Opening a path where no file is would make a new catalog there.
  if (FindDocument(path) == nullptr &&
      platform::Platform::Current().KindOf(path) == platform::FileKind::kMissing) {
    StoreRecentCatalogs(
        commands::WithoutCatalog(commands::LoadRecentCatalogs(recent_catalogs_path_), path));
    ShowWarningBox(commands::MessageRecentCatalogMissing(path), main_frame_.get());
    return;
  }
  OpenCatalog(path);
}

void CVeldraApp::OnFilePrintSetup() { DialogService::Current().RunPrinterSetup(main_frame_.get()); }

void CVeldraApp::OnAppAbout() {
  CAboutDlg dialog(main_frame_.get());
  DialogService::Current().RunModal(&dialog);
}

void CVeldraApp::OnHelp() {
  const QString page = QCoreApplication::applicationDirPath() + QLatin1Char('/') +
                       QString::fromUtf8(resources::kHelpPage);
  DialogService::Current().OpenUrl(FromQString(QUrl::fromLocalFile(page).toString()));
}

void CVeldraApp::OnAppExit() { main_frame_->close(); }

CommandState CVeldraApp::QueryCommand(int id) {
  if (const int index = RecentIndex(id); index >= 0) {
    return static_cast<size_t>(index) < recent_catalogs_.size() ? CommandState::kEnabled
                                                                 : CommandState::kDisabled;
  }
  switch (id) {
    case cmd::kFileNew:
    case cmd::kFileOpen:
    case cmd::kPrintSetup:
    case cmd::kAppAbout:
    case cmd::kHelp:
    case cmd::kAppExit:
      return CommandState::kEnabled;
    default:
      return CommandState::kNotHandled;
  }
}

void CVeldraApp::RunCommand(int id) {
  if (const int index = RecentIndex(id); index >= 0) {
    OnOpenRecentCatalog(static_cast<size_t>(index));
    return;
  }
  switch (id) {
    case cmd::kFileNew: OnFileNew(); break;
    case cmd::kFileOpen: OnFileOpen(); break;
    case cmd::kPrintSetup: OnFilePrintSetup(); break;
    case cmd::kAppAbout: OnAppAbout(); break;
    case cmd::kHelp: OnHelp(); break;
    case cmd::kAppExit: OnAppExit(); break;
    default: break;
  }
}

}  // namespace veldra
