// The fourteen columns of the entry list: title, width, alignment and the sort key each
// column sorts by.
#pragma once

#include <Qt>
#include <array>

#include "commands/entry_list_text.h"

namespace veldra {

using commands::EntryColumn;
using commands::kEntryColumnCount;

struct EntryColumnDef {
  const char* title;  // UTF-8 source text
  int width;          // pixels
  Qt::Alignment alignment;
  int sort_key;
};

const std::array<EntryColumnDef, kEntryColumnCount>& EntryColumns();

}  // namespace veldra
