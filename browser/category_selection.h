// Reading the category triple selected in the three category lists.
#pragma once

#include "commands/category_triple.h"

namespace veldra {

class CategoryListCtrl;

using commands::CategoryTriple;

// The text of each list's first selected item ("" when none is selected), with "＜すべて＞"
// replaced by "その他": the categories of a new entry or category.
CategoryTriple ReadCategorySelection(const CategoryListCtrl& level1,
                                     const CategoryListCtrl& level2,
                                     const CategoryListCtrl& level3);

// The same without the replacement: the selections as filters.
CategoryTriple ReadCategoryTexts(const CategoryListCtrl& level1, const CategoryListCtrl& level2,
                                 const CategoryListCtrl& level3);

}  // namespace veldra
