#include "shell/entry_window_view.h"

#include <QKeyEvent>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <array>
#include <optional>
#include <string>
#include <vector>

#include "browser/catalog_document_host.h"
#include "browser/dialog_service.h"
#include "browser/dialog_units.h"
#include "browser/main_window_view.h"
#include "browser/ui_text.h"
#include "commands/command_messages.h"
#include "resources/command_ids.h"
#include "shell/child_placement.h"
#include "shell/entry_window_tab1_view.h"
#include "shell/entry_window_tab2_view.h"
#include "storage/catalog_document.h"
#include "storage/catalog_files.h"
#include "storage/catalog_table.h"

namespace veldra {
namespace {

// Texts of the record are read through buffers of these sizes.
constexpr size_t kCaptionTitleBufferSize = 128;
constexpr size_t kLabelBufferSize = 128;

// The catalog's names of levels 1..3, in list order.
std::array<std::vector<std::string>, 3> LevelNames(const CVeldraDocument& doc) {
  std::array<std::vector<std::string>, 3> names;
  for (int level = 1; level <= 3; ++level) doc.ListLevelNames(level, &names[level - 1]);
  return names;
}

}  // namespace

CEntryWindowView::CEntryWindowView(CatalogDocumentHost* host, QWidget* parent)
    : QWidget(parent),
      host_(host),
      tabs_(new QTabWidget(this)),
      close_button_(new QPushButton(ToQString(UiText("閉じる")), this)),
      id_caption_(new QLabel(ToQString(UiText("ID：")), this)),
      id_text_(new QLabel(this)) {
  const DialogUnits units(font());
  tabs_->setGeometry(units.Rect(6, 7, 265, 308));
  close_button_->setGeometry(units.Rect(214, 322, 50, 14));
  id_caption_->setGeometry(units.Rect(14, 326, 11, 8));
  id_text_->setGeometry(units.Rect(26, 326, 34, 8));
  setFixedSize(units.Size(kTemplateWidthDlu, kTemplateHeightDlu));
  connect(close_button_, &QPushButton::clicked, this, &CEntryWindowView::CloseFrame);
  if (host_ != nullptr) {
    host_->AttachView();
    connect(host_, &CatalogDocumentHost::DocumentSaved, this, &CEntryWindowView::FollowCatalog);
  }
}

CEntryWindowView::~CEntryWindowView() {
  if (host_ != nullptr) host_->DetachView();
}

CVeldraDocument* CEntryWindowView::document() const {
  return host_ != nullptr && host_->loaded() ? &host_->document() : nullptr;
}

void CEntryWindowView::OnInitialUpdate() {
  if (tab1_ != nullptr) return;
  tab1_ = new CEntryWindowTab1View;
  tab2_ = new CEntryWindowTab2View;
  tabs_->addTab(tab1_, ToQString(UiText("属性")));
  tabs_->addTab(tab2_, ToQString(UiText("情報")));
  tabs_->setCurrentIndex(kAttributeTab);
  // The tabs, the fields of the attribute page, then the button.
  setTabOrder(tab1_->note_edit(), close_button_);
  // Escape is looked for in every control of the form (the form itself: keyPressEvent).
  for (QWidget* child : findChildren<QWidget*>()) child->installEventFilter(this);
}

void CEntryWindowView::PlaceEntryWindow(const EntryRecord& entry, CMainWindowView* browser) {
  entry_id_ = entry.id;
  bound_ = true;
  browser_ = browser;
  auto* frame = qobject_cast<QMdiSubWindow*>(parentWidget());
  if (frame != nullptr) {
    if (frame->isMaximized() || frame->isMinimized()) frame->showNormal();
    const WindowRect& stored = entry.window_position;
    if (stored.HasPlacement()) {
      QRect rect(QPoint(stored.left, stored.top), frame->size());
      if (const QMdiArea* area = frame->mdiArea()) rect = PlaceChildWindow(area, frame, rect, rect.size());
      frame->move(rect.topLeft());
    }
    frame->setWindowTitle(ToQString(UiText("「") + entry.title.Text(kCaptionTitleBufferSize) +
                                    UiText("」の情報")));
  }
  FillEntryForm(entry);
}

void CEntryWindowView::FillEntryForm(const EntryRecord& entry) {
  CVeldraDocument* doc = document();
  if (doc == nullptr || tab1_ == nullptr) return;
  tab1_->Fill(entry, LevelNames(*doc));
  tab2_->Fill(entry);
  id_text_->setText(QString::number(entry.id));
  ShowLevelLabels(*doc);
}

void CEntryWindowView::ShowLevelLabels(const CVeldraDocument& doc) {
  for (int i = 0; i < doc.labels().Count(); ++i) {
    const LabelRecord label = LabelAt(doc.labels(), i);
    if (label.level >= 1 && label.level <= 3) {
      tab1_->SetLevelLabel(label.level, label.text.Text(kLabelBufferSize));
    }
  }
}

void CEntryWindowView::FollowCatalog() {
  CVeldraDocument* doc = document();
  if (doc == nullptr || !bound_ || tab1_ == nullptr) return;
  const std::optional<EntryRecord> entry = doc->FindEntry(entry_id_);
  if (!entry) return;
  tab1_->FollowCategories(*entry, LevelNames(*doc));
  ShowLevelLabels(*doc);
}

commands::EntryEdit CEntryWindowView::ReadEntryForm() const {
  return tab1_ != nullptr ? tab1_->Read() : commands::EntryEdit{};
}

void CEntryWindowView::CommitEntryForm() {
  CVeldraDocument* doc = document();
  if (doc == nullptr || !bound_ || tab1_ == nullptr) return;
  // The commit is the form's last word: the saves it makes are not followed back into it.
  if (host_ != nullptr) disconnect(host_, nullptr, this, nullptr);
  if (!doc->FindEntry(entry_id_)) return;
  CMainWindowView* browser = browser_.data();
  if (browser != nullptr && !browser->initialized()) browser = nullptr;
  // The browser's rows are rebuilt below: their selection goes into the entries first, as
  // before every rebuild, so that it survives.
  if (browser != nullptr) browser->SyncEntrySelectionFlags();
  const commands::EntryEdit edit = ReadEntryForm();
  if (commands::EditEntry(*doc, entry_id_, edit) == kIdsExhausted) {
    ShowWarningBox(commands::MessageCategoryIdsExhausted(), window());
  }
  if (browser != nullptr) {
    browser->RefreshEntryList();
    browser->RebuildCategoryLists();
  }
}

void CEntryWindowView::SaveEntryWindowPosition() {
  CVeldraDocument* doc = document();
  auto* frame = qobject_cast<QMdiSubWindow*>(parentWidget());
  if (doc == nullptr || !bound_ || frame == nullptr) return;
  const QRect r = frame->geometry();
  doc->SetEntryWindowPosition(
      entry_id_, WindowRect::CutFrom(r.top(), r.left(), r.top() + r.height(), r.left() + r.width()));
}

void CEntryWindowView::CloseFrame() {
  if (auto* frame = qobject_cast<QMdiSubWindow*>(parentWidget())) {
    frame->close();
  } else if (QWidget* owner = parentWidget()) {
    owner->close();
  }
}

bool CEntryWindowView::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::KeyPress &&
      static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
    CloseFrame();
    return true;
  }
  return QWidget::eventFilter(watched, event);
}

void CEntryWindowView::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Escape) {
    CloseFrame();
    return;
  }
  QWidget::keyPressEvent(event);
}

CommandState CEntryWindowView::QueryCommand(int id) {
  if (id == cmd::kFileClose) return CommandState::kEnabled;
  return tab1_ != nullptr ? tab1_->QueryCommand(id) : CommandState::kNotHandled;
}

void CEntryWindowView::RunCommand(int id) {
  if (id == cmd::kFileClose) {
    CloseFrame();
    return;
  }
  if (tab1_ != nullptr) tab1_->RunCommand(id);
}

}  // namespace veldra
