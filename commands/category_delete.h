// Deleting a category name at one level. The question before the deletion is the caller's:
// CheckCategoryDelete says whether to ask and what; DeleteCategory then does it.
#pragma once

#include <string>
#include <string_view>

#include "storage/catalog_document.h"

namespace veldra::commands {

struct CategoryDeleteCheck {
  bool allowed = false;
  std::string warning;         // when refused: the warning to show
  std::string question;        // when allowed: "「%s」を削除してもよろしいですか？"
  std::string question_title;  // when allowed: "分類削除"
};

// Refuses "＜すべて＞" and "その他", then a name that an entry uses at level (1..3).
CategoryDeleteCheck CheckCategoryDelete(const CVeldraDocument& document, int level,
                                        std::string_view name);

// Removes every category whose level name equals name, then Save. Does not repeat the
// checks. The result of Save (kSaveOk or kSaveFailed).
int DeleteCategory(CVeldraDocument& document, int level, std::string_view name);

}  // namespace veldra::commands
