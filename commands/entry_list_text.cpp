#include "commands/entry_list_text.h"

#include <cstdio>
#include <cstring>

namespace veldra::commands {
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

std::vector<std::string> EntryListCells(const EntryRecord& entry) {
  std::vector<std::string> cells;
  cells.reserve(kEntryColumnCount);
  for (int c = 0; c < kEntryColumnCount; ++c) cells.push_back(EntryCellText(entry, c));
  return cells;
}

std::string FormatFileSize(int size) {
  char text[64];
  const double megabytes = size / 1048576.0;
  if (megabytes >= 1.0) {
    std::snprintf(text, sizeof(text), "%.1f MB", megabytes);
  } else {
    std::snprintf(text, sizeof(text), "%.1f KB", size / 1024.0);
  }
  return text;
}

std::string FormatShortDate(const char* timestamp) {
  if (timestamp == nullptr) return std::string();
  char text[] = "YYYY/MM/DD HH:MM";
  std::memcpy(text + 0, timestamp + 0, 4);
  std::memcpy(text + 5, timestamp + 4, 2);
  std::memcpy(text + 8, timestamp + 6, 2);
  std::memcpy(text + 11, timestamp + 8, 2);
  std::memcpy(text + 14, timestamp + 10, 2);
  return std::string(text);  // up to the first NUL copied in, as the list shows it
}

std::string FormatRatingStars(int rating) {
  static const std::string kWhiteStar = "\x81\x99";  // U+2606 in CP932
  std::string stars;
  if (rating < 1 || rating > 5) return stars;
  for (int i = 0; i < rating; ++i) stars += kWhiteStar;
  return stars;
}

}  // namespace veldra::commands
