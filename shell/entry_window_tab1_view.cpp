#include "shell/entry_window_tab1_view.h"

#include <QComboBox>
#include <QEvent>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTextDocument>
#include <algorithm>

#include "browser/dialog_units.h"
#include "commands/entry_list_text.h"
#include "browser/ui_text.h"
#include "resources/accelerator_table.h"
#include "resources/command_ids.h"
#include "storage/category_names.h"

namespace veldra {
namespace {

// Field texts are read from the record through a buffer of this size.
constexpr size_t kFieldBufferSize = 1024;

// Placement of a control in dialog units.
struct Place {
  int x, y, width, height;
};

constexpr Place kTitlePlace = {31, 5, 223, 30};
constexpr Place kGroupPlace = {4, 43, 250, 50};
constexpr Place kCategoryBoxPlaces[3] = {{13, 67, 75, 100}, {92, 67, 75, 102}, {172, 67, 75, 101}};
constexpr Place kCategoryLabelPlaces[3] = {{13, 58, 75, 8}, {92, 57, 75, 8}, {172, 57, 75, 8}};
constexpr Place kRatingPlace = {41, 99, 61, 75};
constexpr Place kPersonPlaces[CEntryWindowTab1View::kPersonCount] = {
    {41, 119, 213, 14}, {41, 137, 213, 14}, {41, 155, 213, 14}, {41, 173, 213, 14},
    {41, 191, 213, 14}};
constexpr Place kNotePlace = {4, 225, 250, 59};

struct StaticText {
  const char* text;  // UTF-8
  int x, y;
};
constexpr StaticText kTitleLabel = {"タイトル：", 4, 7};
constexpr StaticText kRatingLabel = {"マイレート：", 3, 101};
constexpr StaticText kPersonLabels[CEntryWindowTab1View::kPersonCount] = {
    {"著者：", 19, 121}, {"編集者：", 12, 139}, {"監修者：", 12, 157}, {"翻訳者：", 12, 175},
    {"出版社：", 12, 193}};
constexpr StaticText kNoteLabel = {"ノート", 4, 215};
constexpr int kStaticTextHeightDlu = 8;
// Room between a text and the field it names when the text is wider than its place.
constexpr int kTextGapDlu = 2;

void PlaceWidget(QWidget* widget, const DialogUnits& units, const Place& place) {
  widget->setGeometry(units.Rect(place.x, place.y, place.width, place.height));
}

// A drop-down box shows one line; its list opens below it.
void PlaceDropDown(QComboBox* box, const DialogUnits& units, const Place& place) {
  box->setGeometry(units.X(place.x), units.Y(place.y), units.X(place.width),
                   box->sizeHint().height());
}

QLabel* MakeStaticText(QWidget* parent, const DialogUnits& units, const StaticText& def) {
  auto* label = new QLabel(ToQString(UiText(def.text)), parent);
  label->move(units.X(def.x), units.Y(def.y));
  label->resize(label->sizeHint().width(), units.Y(kStaticTextHeightDlu));
  return label;
}

// A field whose text beside it is wider than the form leaves room for (a Japanese UI font is
// wider than the one the form was laid out for) starts after the text; its right edge stays.
void KeepClearOfText(const QLabel* label, QWidget* field, const DialogUnits& units) {
  const int left = label->geometry().right() + 1 + units.X(kTextGapDlu);
  if (field->x() >= left) return;
  QRect rect = field->geometry();
  rect.setLeft(left);
  field->setGeometry(rect);
}

// A multi-line edit: words wrap, the text scrolls vertically, Enter makes a new line and Tab
// moves on to the next control.
QPlainTextEdit* MakeMultiLineEdit(QWidget* parent) {
  auto* edit = new QPlainTextEdit(parent);
  edit->setTabChangesFocus(true);
  edit->setLineWrapMode(QPlainTextEdit::WidgetWidth);
  edit->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  return edit;
}

bool IsAcceleratorKey(QKeyCombination keys) {
  const auto& table = resources::AcceleratorTable();
  return std::any_of(table.begin(), table.end(),
                     [keys](const resources::AcceleratorDef& def) { return def.keys == keys; });
}

// The one level of undo of an edit field: the last change is taken back, and taking back
// again restores it. Qt's fields keep a history; stepping back and forth by one step in it
// gives the same.
bool CanUndo(QWidget* field) {
  if (auto* line = qobject_cast<QLineEdit*>(field)) {
    return line->isUndoAvailable() || line->isRedoAvailable();
  }
  if (auto* text = qobject_cast<QPlainTextEdit*>(field)) {
    return text->document()->isUndoAvailable() || text->document()->isRedoAvailable();
  }
  return false;
}

void UndoOneLevel(QWidget* field, bool forward_first) {
  if (auto* line = qobject_cast<QLineEdit*>(field)) {
    if (forward_first && line->isRedoAvailable()) {
      line->redo();
    } else if (line->isUndoAvailable()) {
      line->undo();
    } else {
      line->redo();
    }
  } else if (auto* text = qobject_cast<QPlainTextEdit*>(field)) {
    QTextDocument* doc = text->document();
    if (forward_first && doc->isRedoAvailable()) {
      text->redo();
    } else if (doc->isUndoAvailable()) {
      text->undo();
    } else {
      text->redo();
    }
  }
}

void ClearSelection(QWidget* field) {
  if (auto* line = qobject_cast<QLineEdit*>(field)) {
    if (line->hasSelectedText()) line->del();
  } else if (auto* text = qobject_cast<QPlainTextEdit*>(field)) {
    QTextCursor cursor = text->textCursor();
    cursor.removeSelectedText();
    text->setTextCursor(cursor);
  }
}

void SelectAllText(QWidget* field) {
  if (auto* line = qobject_cast<QLineEdit*>(field)) {
    line->selectAll();
  } else if (auto* text = qobject_cast<QPlainTextEdit*>(field)) {
    text->selectAll();
    text->ensureCursorVisible();
  }
}

void SelectNothing(QWidget* field) {
  if (auto* line = qobject_cast<QLineEdit*>(field)) {
    line->setCursorPosition(0);
    line->deselect();
  } else if (auto* text = qobject_cast<QPlainTextEdit*>(field)) {
    QTextCursor cursor = text->textCursor();
    cursor.setPosition(0);
    text->setTextCursor(cursor);
    text->ensureCursorVisible();
  }
}

template <class Edit>
void RunClipboardCommand(Edit* edit, int id) {
  switch (id) {
    case cmd::kEditCut: edit->cut(); break;
    case cmd::kEditCopy: edit->copy(); break;
    case cmd::kEditPaste: edit->paste(); break;
    default: break;
  }
}

}  // namespace

CEntryWindowTab1View::CEntryWindowTab1View(QWidget* parent) : QWidget(parent) {
  CreateControls();
}

void CEntryWindowTab1View::CreateControls() {
  const DialogUnits units(font());
  const QLabel* title_label = MakeStaticText(this, units, kTitleLabel);
  title_ = MakeMultiLineEdit(this);
  PlaceWidget(title_, units, kTitlePlace);
  KeepClearOfText(title_label, title_, units);
  category_group_ = new QGroupBox(ToQString(UiText("分類")), this);
  PlaceWidget(category_group_, units, kGroupPlace);
  for (int k = 0; k < 3; ++k) {
    category_labels_[k] = new QLabel(ToQString(kDefaultLabelNames[k]), this);
    category_labels_[k]->setTextFormat(Qt::PlainText);
    PlaceWidget(category_labels_[k], units, kCategoryLabelPlaces[k]);
    auto* box = new QComboBox(this);
    box->setEditable(true);
    box->setInsertPolicy(QComboBox::NoInsert);
    box->setCompleter(nullptr);  // a typed name stays as typed
    // The list that drops down fills the box's height in the template, 8 units a name.
    box->setMaxVisibleItems(std::max(1, (kCategoryBoxPlaces[k].height - 14) / 8));
    PlaceDropDown(box, units, kCategoryBoxPlaces[k]);
    category_boxes_[k] = box;
  }
  const QLabel* rating_label = MakeStaticText(this, units, kRatingLabel);
  rating_ = new QComboBox(this);
  rating_->addItem(QString());
  for (int n = 1; n < kRatingItemCount; ++n) rating_->addItem(ToQString(commands::FormatRatingStars(n)));
  PlaceDropDown(rating_, units, kRatingPlace);
  KeepClearOfText(rating_label, rating_, units);
  for (int p = 0; p < kPersonCount; ++p) {
    const QLabel* person_label = MakeStaticText(this, units, kPersonLabels[p]);
    people_[p] = new QLineEdit(this);
    PlaceWidget(people_[p], units, kPersonPlaces[p]);
    KeepClearOfText(person_label, people_[p], units);
  }
  MakeStaticText(this, units, kNoteLabel);
  note_ = MakeMultiLineEdit(this);
  PlaceWidget(note_, units, kNotePlace);

  // The group box lies beneath the texts and boxes it frames; the tab order is the order of
  // the fields on the page.
  category_group_->lower();
  QWidget* order[] = {title_,     category_boxes_[0], category_boxes_[1], category_boxes_[2],
                      rating_,    people_[0],         people_[1],         people_[2],
                      people_[3], people_[4],         note_};
  for (size_t i = 0; i + 1 < std::size(order); ++i) setTabOrder(order[i], order[i + 1]);

  // The keys of the accelerator table reach the commands, not the fields' own bindings.
  std::vector<QWidget*> fields = {title_, note_};
  for (QLineEdit* edit : people_) fields.push_back(edit);
  for (QComboBox* box : category_boxes_) {
    fields.push_back(box);
    fields.push_back(box->lineEdit());
  }
  for (QWidget* field : fields) field->installEventFilter(this);
}

bool CEntryWindowTab1View::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::ShortcutOverride) {
    auto* key = static_cast<QKeyEvent*>(event);
    if (IsAcceleratorKey(key->keyCombination())) {
      key->ignore();
      return true;
    }
  } else if (event->type() == QEvent::KeyPress) {
    auto* key = static_cast<QKeyEvent*>(event);
    // Undo and redo are the Edit commands' alone; the other keys of a field's own history
    // (Ctrl+Shift+Z, Ctrl+Y) do nothing.
    if (key->matches(QKeySequence::Undo) || key->matches(QKeySequence::Redo)) return true;
  }
  return QWidget::eventFilter(watched, event);
}

void CEntryWindowTab1View::Fill(const EntryRecord& entry,
                                const std::array<std::vector<std::string>, 3>& level_names) {
  title_->setPlainText(ToQString(entry.title.Text(kFieldBufferSize)));
  note_->setPlainText(ToQString(entry.note.Text(kFieldBufferSize)));
  const TextField<256>* people[kPersonCount] = {&entry.author_name, &entry.editor_name,
                                                &entry.supervisor_name, &entry.translator_name,
                                                &entry.publisher_name};
  for (int p = 0; p < kPersonCount; ++p) {
    people_[p]->setText(ToQString(people[p]->Text(kFieldBufferSize)));
  }
  for (int level = 1; level <= 3; ++level) {
    taken_categories_[level - 1] = entry.CategoryName(level);
    FillCategoryBox(level, level_names[level - 1], taken_categories_[level - 1]);
  }
  const int rate = entry.my_rate;
  rating_->setCurrentIndex(rate >= 0 && rate < kRatingItemCount ? rate : -1);
}

void CEntryWindowTab1View::FillCategoryBox(int level, const std::vector<std::string>& names,
                                           const std::string& name) {
  QComboBox* box = category_boxes_[level - 1];
  box->clear();
  box->setEditText(QString());
  int chosen = -1;
  for (const std::string& item : names) {
    if (chosen < 0 && item == name) chosen = box->count();
    box->addItem(ToQString(item));
  }
  // The entry's own name, also one that is not in the list, so that the form writes back
  // what the entry holds.
  box->setCurrentIndex(chosen);
  if (chosen < 0) box->setEditText(ToQString(name));
  box->lineEdit()->setCursorPosition(0);
}

void CEntryWindowTab1View::FollowCategories(
    const EntryRecord& entry, const std::array<std::vector<std::string>, 3>& level_names) {
  for (int level = 1; level <= 3; ++level) {
    const std::vector<std::string>& names = level_names[level - 1];
    std::string& taken = taken_categories_[level - 1];
    QComboBox* box = category_boxes_[level - 1];
    const bool changed = entry.CategoryName(level) != taken;
    bool listed = box->count() == static_cast<int>(names.size());
    for (int i = 0; listed && i < box->count(); ++i) listed = box->itemText(i) == ToQString(names[i]);
    if (!changed && listed) continue;  // untouched: the text, its caret and its undo stay
    if (changed) {
      taken = entry.CategoryName(level);
      FillCategoryBox(level, names, taken);
      continue;
    }
    // Only the list changed: what the box shows, typed or chosen, stays as it is.
    const QString shown = box->currentText();
    const int caret = box->lineEdit()->cursorPosition();
    FillCategoryBox(level, names, FromQString(shown));
    if (box->currentText() != shown) box->setEditText(shown);
    box->lineEdit()->setCursorPosition(caret);
  }
}

void CEntryWindowTab1View::SetLevelLabel(int level, const std::string& text) {
  if (level >= 1 && level <= 3) category_labels_[level - 1]->setText(ToQString(text));
}

commands::EntryEdit CEntryWindowTab1View::Read() const {
  commands::EntryEdit edit;
  edit.title = FromQString(title_->toPlainText());
  edit.note = FromQString(note_->toPlainText());
  std::optional<std::string>* people[kPersonCount] = {&edit.author, &edit.editor,
                                                      &edit.supervisor, &edit.translator,
                                                      &edit.publisher};
  for (int p = 0; p < kPersonCount; ++p) *people[p] = FromQString(people_[p]->text());
  for (int level = 1; level <= 3; ++level) {
    edit.categories[level - 1] = FromQString(category_boxes_[level - 1]->currentText());
  }
  if (rating_->currentIndex() >= 0) edit.rating = rating_->currentIndex();
  return edit;
}

QWidget* CEntryWindowTab1View::FocusedField() const {
  QWidget* focus = window()->focusWidget();
  if (focus == nullptr || !isAncestorOf(focus)) return nullptr;
  if (auto* box = qobject_cast<QComboBox*>(focus)) return box->lineEdit();
  if (qobject_cast<QLineEdit*>(focus) != nullptr || qobject_cast<QPlainTextEdit*>(focus) != nullptr) {
    return focus;
  }
  return nullptr;
}

CommandState CEntryWindowTab1View::QueryCommand(int id) {
  switch (id) {
    case cmd::kEditCut:
    case cmd::kEditCopy:
    case cmd::kEditPaste:
    case cmd::kEditClear:
    case cmd::kEditSelectAll:
    case cmd::kSelectNone:
      return CommandState::kEnabled;
    case cmd::kEditUndo:
    case cmd::kEditRedo: {
      const bool wanted_toggle = id == cmd::kEditRedo;
      return CanUndo(FocusedField()) && undo_toggle_ == wanted_toggle ? CommandState::kEnabled
                                                                       : CommandState::kDisabled;
    }
    default:
      return CommandState::kNotHandled;
  }
}

void CEntryWindowTab1View::RunCommand(int id) {
  QWidget* field = FocusedField();
  switch (id) {
    case cmd::kEditUndo:
      UndoOneLevel(field, /*forward_first=*/false);
      undo_toggle_ = true;
      return;
    case cmd::kEditRedo:
      UndoOneLevel(field, /*forward_first=*/true);
      undo_toggle_ = false;
      return;
    case cmd::kEditClear: ClearSelection(field); return;
    case cmd::kEditSelectAll: SelectAllText(field); return;
    case cmd::kSelectNone: SelectNothing(field); return;
    default: break;
  }
  if (auto* line = qobject_cast<QLineEdit*>(field)) RunClipboardCommand(line, id);
  if (auto* text = qobject_cast<QPlainTextEdit*>(field)) RunClipboardCommand(text, id);
}

}  // namespace veldra
