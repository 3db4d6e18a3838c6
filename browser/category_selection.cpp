#include "browser/category_selection.h"

#include "browser/main_cat_list_ctrl.h"

namespace veldra {

CategoryTriple ReadCategoryTexts(const CMainCatListCtrl& level1, const CMainCatListCtrl& level2,
                                 const CMainCatListCtrl& level3) {
  return {level1.SelectedText(), level2.SelectedText(), level3.SelectedText()};
}

CategoryTriple ReadCategorySelection(const CMainCatListCtrl& level1,
                                     const CMainCatListCtrl& level2,
                                     const CMainCatListCtrl& level3) {
  CategoryTriple triple = ReadCategoryTexts(level1, level2, level3);
  for (std::string& name : triple) name = commands::SelectionAsCategory(name);
  return triple;
}

}  // namespace veldra
