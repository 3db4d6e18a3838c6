// Editing an entry's attributes as the property window's commit writes them.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "storage/catalog_document.h"

namespace veldra::commands {

// The property window's limits, in CP932 bytes; longer text is cut at the limit.
constexpr size_t kTitleMaxBytes = 127;
constexpr size_t kPersonMaxBytes = 127;
constexpr size_t kNoteMaxBytes = 255;
constexpr size_t kCategoryMaxBytes = 127;
constexpr int kRatingMax = 5;

// The fields to change (CP932); a field left empty keeps its value.
struct EntryEdit {
  std::optional<std::string> title;
  std::optional<int> rating;  // 0 no rating .. 5 stars
  std::optional<std::string> author;
  std::optional<std::string> editor;
  std::optional<std::string> supervisor;
  std::optional<std::string> translator;
  std::optional<std::string> publisher;
  std::optional<std::string> note;
  // Levels 1..3 at [0..2]; an empty name becomes "その他".
  std::array<std::optional<std::string>, 3> categories;
};

// True when text (CP932) is kept whole: at most max_bytes bytes, and few enough characters
// for a UTF-16 field of field_bytes bytes (mark and NUL included).
bool FitsEntryField(std::string_view text, size_t max_bytes, size_t field_bytes);

// Result codes of EditEntry besides Save's.
constexpr int kEditNoSuchEntry = -1;

// Applies edit to the entry with entry_id, writes it back (ReplaceEntry) into the entries
// and the filtered entries, adds a category for its three names when none has them, and
// saves the catalog. kEditNoSuchEntry or kIdsExhausted (no category id left for the new
// names: nothing changed), or the result of Save.
int EditEntry(CVeldraDocument& document, int32_t entry_id, const EntryEdit& edit);

}  // namespace veldra::commands
