#include "shell/browser_template.h"

#include <QMdiArea>
#include <QMdiSubWindow>

#include "browser/catalog_document_host.h"
#include "browser/dialog_service.h"
#include "browser/dialog_units.h"
#include "browser/main_window.h"
#include "browser/main_window_view.h"
#include "browser/ui_text.h"
#include "resources/app_strings.h"
#include "platform/platform.h"
#include "shell/child_placement.h"

namespace veldra {
namespace {

constexpr char kUnreadableCatalogMessage[] =
    "このファイルはカタログとして読み込めませんでした。変更は保存されません。";
constexpr char kNotRegularFileMessage[] =
    "このファイルは通常のファイルではない（フォルダ、パイプ、デバイスなど）ため、カタログとして"
    "開きませんでした。変更は保存されません。";
constexpr char kCatalogOpenElsewhereMessage[] =
    "このカタログは別のVELDRAで開かれています。変更は保存されません。";

}  // namespace

const char* BrowserTemplate::DocumentString() { return resources::kDocumentString; }

BrowserTemplate::BrowserTemplate(QMdiArea* area, QWidget* owner) : area_(area), owner_(owner) {}

CatalogDocumentHost* BrowserTemplate::OpenDocumentFile(const std::string& path,
                                                       bool make_visible) {
  auto* host = new CatalogDocumentHost();
  host->Open(path);
  host->set_detail_opener(detail_opener_);
  host->set_open_catalogs(open_catalogs_);
  documents_.emplace_back(host);

  auto* frame = new CMainWindow(host);
  frame->setWindowIcon(owner_ != nullptr ? owner_->windowIcon() : QIcon());
  area_->addSubWindow(frame);
  // The frame starts at the size of the view's template.
  const DialogUnits units(frame->view()->font());
  const QSize view_size =
      units.Size(CMainWindowView::kTemplateWidthDlu, CMainWindowView::kTemplateHeightDlu);
  frame->resize(frame->FrameSizeFor(view_size));
  frame->move(DefaultChildPlacement(area_, frame));
  frame->view()->OnInitialUpdate();
  // The index is brought up to date with the catalog's PDFs in the background.
  if (host->loaded()) host->indexer().Start(host->document());
  if (make_visible) {
    frame->show();
    area_->setActiveSubWindow(frame);
  }
  // A catalog another process is writing may also read as damaged for the moment: that
  // process is the reason to give.
  if (host->document().open_elsewhere()) {
    ShowWarningBox(UiText(kCatalogOpenElsewhereMessage), owner_);
  } else if (host->document().load_failure() == platform::Failure::kNotRegularFile) {
    ShowWarningBox(UiText(kNotRegularFileMessage), owner_);
  } else if (!host->document().read_complete()) {
    ShowWarningBox(UiText(kUnreadableCatalogMessage), owner_);
  }
  return host;
}

std::vector<CatalogDocumentHost*> BrowserTemplate::Documents() const {
  std::vector<CatalogDocumentHost*> open;
  for (const auto& host : documents_) {
    if (host) open.push_back(host);
  }
  return open;
}

CatalogDocumentHost* BrowserTemplate::FindOpenCatalog(const std::string& path) const {
  for (CatalogDocumentHost* host : Documents()) {
    if (host->browser_frame() != nullptr && host->HoldsFile(path)) return host;
  }
  return nullptr;
}

}  // namespace veldra
