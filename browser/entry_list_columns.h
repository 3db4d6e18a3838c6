// The fourteen columns of the entry list: title, width, alignment and the sort key each
// column sorts by.
#pragma once

#include <Qt>
#include <array>

namespace veldra {

enum class EntryColumn {
  kTitle, kFileName, kCategory1, kCategory2, kCategory3, kSize, kUpdated, kRating,
  kAuthor, kEditor, kSupervisor, kTranslator, kPublisher, kNote,
};

struct EntryColumnDef {
  const char* title;  // UTF-8 source text
  int width;          // pixels
  Qt::Alignment alignment;
  int sort_key;
};

constexpr int kEntryColumnCount = 14;

const std::array<EntryColumnDef, kEntryColumnCount>& EntryColumns();

}  // namespace veldra
