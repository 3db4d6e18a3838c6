// How a click on a column header changes the three remembered sort choices: the clicked key
// moves to the front, most recently used first, each key keeping its own direction; a
// second click on the primary key flips its direction.
#pragma once

#include <array>

#include "storage/catalog_document.h"

namespace veldra {

using SortLevels = std::array<SortLevel, CVeldraDocument::kSortLevelCount>;

// key 0 (the "ノート" column) takes part like any other key; an empty slot counts as
// holding key 0.
void ApplyColumnClick(SortLevels& levels, int key);

}  // namespace veldra
