#include "commands/category_delete.h"

#include "commands/command_messages.h"
#include "storage/catalog_table.h"
#include "storage/category_names.h"

namespace veldra::commands {

CategoryDeleteCheck CheckCategoryDelete(const CVeldraDocument& document, int level,
                                        std::string_view name) {
  CategoryDeleteCheck check;
  if (name == kAllCategoriesName || name == kOtherCategoryName) {
    check.warning = MessageCannotDeleteReserved();
    return check;
  }
  const RecordArray& entries = document.entries();
  for (int i = 0; i < entries.Count(); ++i) {
    if (EntryAt(entries, i).CategoryName(level) == name) {
      check.warning = MessageNameInUse(name);
      return check;
    }
  }
  check.allowed = true;
  check.question = QuestionDeleteCategory(name);
  check.question_title = QuestionTitleCategoryDelete();
  return check;
}

int DeleteCategory(CVeldraDocument& document, int level, std::string_view name) {
  RecordArray& categories = document.categories();
  for (int i = categories.Count() - 1; i >= 0; --i) {
    if (CategoryAt(categories, i).Name(level) == name) categories.Remove(i);
  }
  document.RebuildLevelNames();
  return document.Save();
}

}  // namespace veldra::commands
