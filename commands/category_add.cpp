#include "commands/category_add.h"

#include "commands/command_messages.h"
#include "storage/catalog_files.h"
#include "storage/catalog_table.h"

namespace veldra::commands {

std::string CheckNewCategoryName(const CVeldraDocument& document, int level,
                                 std::string_view name) {
  if (name.empty()) return MessageEnterCategoryName();
  if (name == kAllCategoriesName) return MessageCannotAddName(kAllCategoriesName);
  const RecordArray& categories = document.categories();
  for (int i = 0; i < categories.Count(); ++i) {
    if (CategoryAt(categories, i).Name(level) == name) return MessageAlreadyRegistered(name);
  }
  return "";
}

int AddCategory(CVeldraDocument& document, int level, std::string_view name,
                std::string_view first_other, std::string_view second_other) {
  CategoryTriple triple;
  std::string_view others[2] = {first_other, second_other};
  int next_other = 0;
  for (int l = 1; l <= 3; ++l) {
    triple[l - 1] = std::string(l == level ? name : others[next_other++]);
  }
  if (!NewCategoryRecord(document.categories(), document.counters(), triple[0], triple[1],
                         triple[2])) {
    return kIdsExhausted;
  }
  document.RebuildLevelNames();
  return document.Save();
}

}  // namespace veldra::commands
