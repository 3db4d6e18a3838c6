#include "storage/category_names.h"

#include <algorithm>

namespace veldra {

int CategoryNameOrder(std::string_view left, std::string_view right) {
  const bool left_other = left == kOtherCategoryName;
  const bool right_other = right == kOtherCategoryName;
  if (left_other || right_other) return left_other == right_other ? 0 : (left_other ? 1 : -1);
  const size_t n = std::min(left.size(), right.size());
  for (size_t i = 0; i < n; ++i) {
    const auto a = static_cast<unsigned char>(left[i]);
    const auto b = static_cast<unsigned char>(right[i]);
    if (a != b) return a < b ? -1 : 1;
  }
  if (left.size() == right.size()) return 0;
  return left.size() < right.size() ? -1 : 1;
}

bool NameMatchesSelection(std::string_view name, std::string_view selection) {
  return selection == kAllCategoriesName || name == selection;
}

}  // namespace veldra
