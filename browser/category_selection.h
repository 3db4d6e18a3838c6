// Reading the category triple selected in the three category lists.
#pragma once

#include <array>
#include <string>

namespace veldra {

class CategoryListCtrl;

using CategoryTriple = std::array<std::string, 3>;  // levels 1, 2, 3 (CP932)

// The text of each list's first selected item ("" when none is selected), with "＜すべて＞"
// replaced by "その他": the categories of a new entry or category.
CategoryTriple ReadCategorySelection(const CategoryListCtrl& level1,
                                     const CategoryListCtrl& level2,
                                     const CategoryListCtrl& level3);

// The same without the replacement: the selections as filters.
CategoryTriple ReadCategoryTexts(const CategoryListCtrl& level1, const CategoryListCtrl& level2,
                                 const CategoryListCtrl& level3);

}  // namespace veldra
