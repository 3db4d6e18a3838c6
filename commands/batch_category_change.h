// Changing the categories of several entries at once.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "commands/category_triple.h"
#include "storage/catalog_document.h"
#include "storage/catalog_entry_record.h"

namespace veldra::commands {

// The names the dialog starts with: with one entry its three names; with several, per
// level the name they all share, or "" when they differ (nothing for no entries).
CategoryTriple InitialBatchNames(const std::vector<EntryRecord>& entries);

// The text a level's combo box starts with: "＜変更しない＞" for an empty initial name.
std::string BatchComboStartText(std::string_view initial_name);

// The dialog's result from the three combo texts: an empty text becomes "その他".
CategoryTriple ChosenBatchNames(const CategoryTriple& combo_texts);

// The warning for chosen names that may not be stored: "”＜すべて＞”は追加できません。" when a
// level holds "＜すべて＞" (the lists' "all" item: an entry or category holding it could be
// neither listed on its own nor deleted); "" when the names may be stored.
std::string CheckBatchNames(const CategoryTriple& chosen);

// ChangeCategories' result when CheckBatchNames refuses the names: nothing was changed.
constexpr int kBatchNamesRefused = 1;

// Refused (kBatchNamesRefused, nothing changed) when CheckBatchNames has a warning.
// Otherwise, for each entry of entry_ids (in order): every level whose chosen name is not
// "＜変更しない＞" gets that name; the entry is written back (ReplaceEntry) into the entries
// and the filtered entries; a category is added for its three names when none has them.
// Then Save. Ids not in the catalog are skipped. The result of Save; kIdsExhausted, nothing
// changed, when the counters have too few category ids left for the new triples.
int ChangeCategories(CVeldraDocument& document, const std::vector<int32_t>& entry_ids,
                     const CategoryTriple& chosen);

}  // namespace veldra::commands
