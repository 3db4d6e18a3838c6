#include "browser/entry_cells.h"

#include "browser/entry_list_columns.h"
#include "browser/environment_info.h"

namespace veldra {
namespace {

constexpr size_t kCellBufferSize = 128;
constexpr size_t kNoteCellBufferSize = 256;

}  // namespace

std::string EntryCellText(const EntryRecord& e, int column) {
  const size_t n = kCellBufferSize;
  switch (static_cast<EntryColumn>(column)) {
    case EntryColumn::kTitle: return e.title.Text(n);
    case EntryColumn::kFileName: return e.file_name.Text(n);
    case EntryColumn::kCategory1: return e.category_names[0].Text(n);
    case EntryColumn::kCategory2: return e.category_names[1].Text(n);
    case EntryColumn::kCategory3: return e.category_names[2].Text(n);
    case EntryColumn::kSize: return FormatFileSize(e.file_size);
    case EntryColumn::kUpdated: return FormatShortDate(e.update_date.data());
    case EntryColumn::kRating: return FormatRatingStars(e.my_rate);
    case EntryColumn::kAuthor: return e.author_name.Text(n);
    case EntryColumn::kEditor: return e.editor_name.Text(n);
    case EntryColumn::kSupervisor: return e.supervisor_name.Text(n);
    case EntryColumn::kTranslator: return e.translator_name.Text(n);
    case EntryColumn::kPublisher: return e.publisher_name.Text(n);
    case EntryColumn::kNote: return e.note.Text(kNoteCellBufferSize);
  }
  return {};
}

}  // namespace veldra
