// A category triple: one CP932 name per level, level 1 first.
#pragma once

#include <array>
#include <string>
#include <string_view>

#include "storage/category_names.h"

namespace veldra::commands {

using CategoryTriple = std::array<std::string, 3>;

// Names in the category dialogs and lists are at most this many CP932 bytes.
constexpr size_t kCategoryNameMaxBytes = kCategoryNameBufferSize - 1;

// "その他" at every level: the triple of an import with nothing chosen.
inline CategoryTriple OtherTriple() {
  return {std::string(kOtherCategoryName), std::string(kOtherCategoryName),
          std::string(kOtherCategoryName)};
}

// The category selection as a new entry or category takes it: "＜すべて＞" stands for
// "その他"; every other name (the empty one included) is kept.
inline std::string SelectionAsCategory(std::string_view selected) {
  return std::string(selected == kAllCategoriesName ? kOtherCategoryName : selected);
}

}  // namespace veldra::commands
