#include "shell/pdf_window_view.h"

#include <QFileInfo>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPrinter>
#include <QRegularExpression>
#include <QVBoxLayout>
#include <optional>

#include "browser/catalog_document_host.h"
#include "browser/dialog_service.h"
#include "browser/ui_text.h"
#include "commands/pdf_temp_copy.h"
#include "platform/platform.h"
#include "platform/viewer/viewer_component.h"
#include "resources/command_ids.h"
#include "shell/child_placement.h"
#include "shell/pdf_window.h"
#include "storage/catalog_document.h"
#include "storage/catalog_tags.h"
#include "storage/remembered_folder.h"

namespace veldra {
namespace {

std::optional<int> DispatchIdOf(int command) {
  switch (command) {
    case cmd::kPdfFirstPage: return viewer::dispid::kGotoFirstPage;
    case cmd::kPdfPreviousPage: return viewer::dispid::kGotoPreviousPage;
    case cmd::kPdfNextPage: return viewer::dispid::kGotoNextPage;
    case cmd::kPdfLastPage: return viewer::dispid::kGotoLastPage;
    case cmd::kPdfBackward: return viewer::dispid::kGoBackwardStack;
    case cmd::kPdfForward: return viewer::dispid::kGoForwardStack;
    case cmd::kPrint: return viewer::dispid::kPrint;
    default: return std::nullopt;
  }
}

}  // namespace

CPdfWindowView::CPdfWindowView(CatalogDocumentHost* host, viewer::ViewerComponent* component,
                               QWidget* parent)
    : QWidget(parent), host_(host), control_(component->CreateControl(this)) {
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(control_->Widget());
  setFocusProxy(control_->Widget());
  control_->SetPrintDialogHook([this](QPrinter* printer, int page_count, int current_page,
                                      QWidget* owner) {
    // The dialog offers the document's name for a file: the entry's, not the temporary copy's.
    if (!print_name_.isEmpty()) printer->setDocName(print_name_);
    return DialogService::Current().RunPrintDialog(printer, {page_count, current_page, owner});
  });
  // The reader's choice of the outline panel is theirs, whatever the catalog: it is kept in
  // the preference file, and no catalog is written when they make it.
  control_->SetOutlineChoiceHook([](bool shown) {
    StorePreferenceText(kTagViewerPageMode, shown ? kOutlinePageMode : kNoOutlinePageMode);
  });
  if (host_ != nullptr) host_->AttachView();
}

CPdfWindowView::~CPdfWindowView() {
  if (host_ != nullptr) host_->DetachView();
}

CVeldraDocument* CPdfWindowView::document() const {
  return host_ != nullptr && host_->loaded() ? &host_->document() : nullptr;
}

void CPdfWindowView::LoadPdf(const EntryRecord& entry) {
  entry_id_ = entry.id;
  bound_ = true;
  CVeldraDocument* doc = document();
  if (doc == nullptr) return;
  PlaceFrame(entry);
  if (QWidget* frame = parentWidget()) {
    frame->setWindowTitle(ToQString(entry.title.Text(kCaptionBufferSize)));
  }
  const int ordinal = doc->AttachmentOrdinal(entry_id_);
  if (ordinal < 0) return;
  const std::string folder = platform::Platform::Current().TempFolder();
  if (folder.empty()) return;
  const std::string path = commands::WriteTemporaryCopy(
      *doc, ordinal, folder, entry.file_name.Text(kCaptionBufferSize));
  if (path.empty()) return;
  print_name_ = PrintFileName(entry);
  const std::string page_mode = ReadPreferenceText(kTagViewerPageMode);
  if (!page_mode.empty()) control_->Invoke(viewer::dispid::kSetPageMode, {ToQString(page_mode)});
  control_->Invoke(viewer::dispid::kLoadFile, {ToQString(path)});
  temporary_path_ = path;
}

void CPdfWindowView::PlaceFrame(const EntryRecord& entry) {
  auto* frame = qobject_cast<CPdfWindow*>(parentWidget());
  if (frame == nullptr || frame->isMaximized()) return;
  const WindowRect& stored = entry.pdf_window_position;
  std::optional<QRect> stored_rect;
  if (stored.HasPlacement()) {
    stored_rect = QRect(stored.left, stored.top, stored.right - stored.left, stored.bottom - stored.top);
  }
  const QSize standard(kDefaultWidth, kDefaultHeight);
  QRect rect = stored_rect.value_or(QRect(frame->pos(), standard));
  if (const QMdiArea* area = frame->mdiArea()) rect = PlaceChildWindow(area, frame, stored_rect, standard);
  // Placed while still hidden: among maximized windows the area maximizes the frame as it is
  // shown, and restoring it then gives this rectangle. One store and save for the whole
  // placement instead of one per move and resize event.
  frame->set_placing(true);
  frame->setGeometry(rect);
  frame->show();
  frame->raise();
  frame->set_placing(false);
  frame->SavePdfWindowPosition(rect);
  if (CVeldraDocument* doc = document()) doc->Save();
}

QString CPdfWindowView::PrintFileName(const EntryRecord& entry) {
  QString name = ToQString(entry.title.Text(kCaptionBufferSize));
  for (QChar& c : name) {
    if (c == QLatin1Char('/') || c.category() == QChar::Other_Control) c = QLatin1Char(' ');
  }
  name = name.simplified();
  if (name.isEmpty()) {
    name = QFileInfo(ToQString(entry.file_name.Text(kCaptionBufferSize))).completeBaseName();
  }
  if (name.isEmpty()) name = QStringLiteral("document");
  if (!name.endsWith(QLatin1String(".pdf"), Qt::CaseInsensitive)) name += QLatin1String(".pdf");
  return name;
}

void CPdfWindowView::ShowHit(const QString& text, int page) {
  QString spaced = text;
  spaced.replace(QRegularExpression(QStringLiteral("\\s+")), QStringLiteral(" "));
  QString joined = text;
  joined.remove(QRegularExpression(QStringLiteral("\\s+")));
  // As written; a line break read as a space; lines joined (Japanese text breaks anywhere).
  for (const QString& candidate : {text, spaced, joined}) {
    if (control_->Invoke(viewer::dispid::kFindText, {candidate, page}).toInt() > 0) return;
  }
}

QString CPdfWindowView::FindText() const {
  const QString own = control_->Invoke(viewer::dispid::kFindString).toString();
  if (!own.isEmpty() || host_ == nullptr) return own;
  return host_->search_state().PageFindText();
}

CommandState CPdfWindowView::QueryCommand(int id) {
  if (id == cmd::kFileClose || id == cmd::kPdfNoOperation || id == cmd::kFullTextSearch ||
      DispatchIdOf(id)) {
    return CommandState::kEnabled;
  }
  if (id == cmd::kFindNext || id == cmd::kFindPrevious) {
    return FindText().isEmpty() ? CommandState::kDisabled : CommandState::kEnabled;
  }
  return CommandState::kNotHandled;
}

void CPdfWindowView::RunCommand(int id) {
  if (id == cmd::kFileClose) {
    if (QWidget* frame = parentWidget()) frame->close();
    return;
  }
  if (id == cmd::kFullTextSearch) {
    control_->Invoke(viewer::dispid::kShowFindBar,
                     {host_ != nullptr ? host_->search_state().PageFindText() : QString()});
    return;
  }
  if (id == cmd::kFindNext || id == cmd::kFindPrevious) {
    // The first step with the catalog's query finds its first occurrence from the page shown.
    if (control_->Invoke(viewer::dispid::kFindString).toString().isEmpty()) {
      control_->Invoke(viewer::dispid::kFindText, {FindText()});
    } else {
      control_->Invoke(id == cmd::kFindNext ? viewer::dispid::kFindNext
                                            : viewer::dispid::kFindPrevious);
    }
    return;
  }
  if (const std::optional<int> dispatch = DispatchIdOf(id)) control_->Invoke(*dispatch, {});
}

}  // namespace veldra
