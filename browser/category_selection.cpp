#include "browser/category_selection.h"

#include "browser/category_list_ctrl.h"

namespace veldra {

CategoryTriple ReadCategoryTexts(const CategoryListCtrl& level1, const CategoryListCtrl& level2,
                                 const CategoryListCtrl& level3) {
  return {level1.SelectedText(), level2.SelectedText(), level3.SelectedText()};
}

CategoryTriple ReadCategorySelection(const CategoryListCtrl& level1,
                                     const CategoryListCtrl& level2,
                                     const CategoryListCtrl& level3) {
  CategoryTriple triple = ReadCategoryTexts(level1, level2, level3);
  for (std::string& name : triple) name = commands::SelectionAsCategory(name);
  return triple;
}

}  // namespace veldra
