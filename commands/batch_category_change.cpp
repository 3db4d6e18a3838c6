#include "commands/batch_category_change.h"

#include <set>

#include "commands/command_messages.h"
#include "storage/catalog_files.h"
#include "storage/catalog_tags.h"
#include "storage/category_names.h"

namespace veldra::commands {
CategoryTriple InitialBatchNames(const std::vector<EntryRecord>& entries) {
  CategoryTriple names;
  if (entries.empty()) return names;
  for (int level = 1; level <= 3; ++level) {
    std::string shared = entries.front().CategoryName(level);
    for (const EntryRecord& e : entries) {
      if (e.CategoryName(level) != shared) {
        shared.clear();
        break;
      }
    }
    names[level - 1] = shared;
  }
  return names;
}

std::string BatchComboStartText(std::string_view initial_name) {
  return std::string(initial_name.empty() ? kUnchangedCategoryName : initial_name);
}

CategoryTriple ChosenBatchNames(const CategoryTriple& combo_texts) {
  CategoryTriple chosen;
  for (int l = 0; l < 3; ++l) {
    chosen[l] = combo_texts[l].empty() ? std::string(kOtherCategoryName) : combo_texts[l];
  }
  return chosen;
}

std::string CheckBatchNames(const CategoryTriple& chosen) {
  for (const std::string& name : chosen) {
    if (name == kAllCategoriesName) return MessageCannotAddName(kAllCategoriesName);
  }
  return "";
}

int ChangeCategories(CVeldraDocument& document, const std::vector<int32_t>& entry_ids,
                     const CategoryTriple& chosen) {
  if (!CheckBatchNames(chosen).empty()) return kBatchNamesRefused;
  std::vector<EntryRecord> changed;
  std::set<CategoryTriple> new_triples;
  for (int32_t id : entry_ids) {
    std::optional<EntryRecord> found = document.FindEntry(id);
    if (!found) continue;
    EntryRecord& entry = *found;
    for (int level = 1; level <= 3; ++level) {
      if (chosen[level - 1] != kUnchangedCategoryName) {
        entry.SetCategoryName(level, chosen[level - 1]);
      }
    }
    const CategoryTriple names = {entry.CategoryName(1), entry.CategoryName(2),
                                  entry.CategoryName(3)};
    if (!document.CategoryExists(names[0], names[1], names[2])) new_triples.insert(names);
    changed.push_back(entry);
  }
  if (IdsLeft(document.counters(), kTagCategory, kCounterKeyCategory) <
      static_cast<int64_t>(new_triples.size())) {
    return kIdsExhausted;
  }
  for (const EntryRecord& entry : changed) {
    document.UpdateEntry(entry);
    const std::string n1 = entry.CategoryName(1), n2 = entry.CategoryName(2),
                      n3 = entry.CategoryName(3);
    if (!document.CategoryExists(n1, n2, n3)) {
      NewCategoryRecord(document.categories(), document.counters(), n1, n2, n3);
    }
  }
  if (!new_triples.empty()) document.RebuildLevelNames();
  return document.Save();
}

}  // namespace veldra::commands
