// Adding a category name at one level: the add dialog's checks and the triple it creates.
#pragma once

#include <string>
#include <string_view>

#include "commands/category_triple.h"
#include "storage/catalog_document.h"

namespace veldra::commands {

// The add dialog's tests of name for level (1..3), in order: empty, "＜すべて＞", already a
// level-name of some category. "" when name may be added; otherwise the warning to show.
std::string CheckNewCategoryName(const CVeldraDocument& document, int level,
                                 std::string_view name);

// Appends the category with name at level and others (the names of the two other levels,
// in ascending level order, as ReadCategorySelection gives them) at theirs, then Save.
// Does not repeat the checks. The result of Save (kSaveOk or kSaveFailed), or
// kIdsExhausted (nothing changed) when no category id is left.
int AddCategory(CVeldraDocument& document, int level, std::string_view name,
                std::string_view first_other, std::string_view second_other);

}  // namespace veldra::commands
