// CEntryWindowTab1View: the attribute page "属性" of a property window. It shows the
// entry's title, its three category names (chosen from the catalog's names or typed), the
// rating, the five people and the note, and carries the Edit-menu commands for the field
// that has the keyboard focus, with one shared level of undo.
#pragma once

#include <QWidget>
#include <array>
#include <string>
#include <vector>

#include "browser/command_target.h"
#include "commands/entry_edit.h"
#include "storage/catalog_entry_record.h"

class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;

namespace veldra {

class CEntryWindowTab1View : public QWidget, public CommandTarget {
  Q_OBJECT

 public:
  // The page's template size in dialog units.
  static constexpr int kTemplateWidthDlu = 266;
  static constexpr int kTemplateHeightDlu = 289;
  static constexpr int kRatingItemCount = 6;

  // The people fields, in the order of the page.
  enum Person { kAuthor, kEditor, kSupervisor, kTranslator, kPublisher, kPersonCount };

  explicit CEntryWindowTab1View(QWidget* parent = nullptr);

  // Fills the fields from entry. level_names[k] are the catalog's names of level k + 1, in
  // list order.
  void Fill(const EntryRecord& entry, const std::array<std::vector<std::string>, 3>& level_names);
  // The entry as the catalog holds it now, while the form is open: a level whose name the
  // entry no longer has as the form last took it shows the entry's name (a change made
  // elsewhere wins there); every other level keeps what it shows, typed text included. The
  // boxes list level_names.
  void FollowCategories(const EntryRecord& entry,
                        const std::array<std::vector<std::string>, 3>& level_names);
  // The text above the combo box of level 1..3.
  void SetLevelLabel(int level, const std::string& text);
  // The fields as an edit of the entry; the rating is left out when no item is selected.
  commands::EntryEdit Read() const;

  bool undo_toggle() const { return undo_toggle_; }

  CommandState QueryCommand(int id) override;
  void RunCommand(int id) override;

  // Controls, for the view and the tests. level is 1..3.
  QPlainTextEdit* title_edit() const { return title_; }
  QComboBox* category_box(int level) const { return category_boxes_[level - 1]; }
  QLabel* category_label(int level) const { return category_labels_[level - 1]; }
  QGroupBox* category_group() const { return category_group_; }
  QComboBox* rating_box() const { return rating_; }
  QLineEdit* person_edit(Person person) const { return people_[person]; }
  QPlainTextEdit* note_edit() const { return note_; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void CreateControls();
  void FillCategoryBox(int level, const std::vector<std::string>& names, const std::string& name);
  // The edit field that has the keyboard focus on this page, or nullptr.
  QWidget* FocusedField() const;

  QPlainTextEdit* title_ = nullptr;
  QGroupBox* category_group_ = nullptr;
  std::array<QLabel*, 3> category_labels_{};
  std::array<QComboBox*, 3> category_boxes_{};
  QComboBox* rating_ = nullptr;
  std::array<QLineEdit*, kPersonCount> people_{};
  QPlainTextEdit* note_ = nullptr;

  bool undo_toggle_ = false;
  // The entry's category names as the form last took them from the entry (CP932).
  std::array<std::string, 3> taken_categories_;
};

}  // namespace veldra
