#include "commands/entry_edit.h"

#include "platform/codepage.h"
#include "platform/cp932_chars.h"
#include "storage/catalog_files.h"
#include "storage/catalog_tags.h"
#include "storage/category_names.h"

namespace veldra::commands {
namespace {

void Apply(const std::optional<std::string>& value, size_t max_bytes, TextField<256>* field) {
  if (value) field->SetText(platform::CutCp932(*value, max_bytes));
}

}  // namespace

bool FitsEntryField(std::string_view text, size_t max_bytes, size_t field_bytes) {
  if (text.size() > max_bytes) return false;
  return platform::Cp932ToUtf16(text).size() + 2 <= field_bytes / 2;
}

int EditEntry(CVeldraDocument& document, int32_t entry_id, const EntryEdit& edit) {
  std::optional<EntryRecord> found = document.FindEntry(entry_id);
  if (!found) return kEditNoSuchEntry;

  EntryRecord& entry = *found;
  Apply(edit.title, kTitleMaxBytes, &entry.title);
  Apply(edit.author, kPersonMaxBytes, &entry.author_name);
  Apply(edit.editor, kPersonMaxBytes, &entry.editor_name);
  Apply(edit.supervisor, kPersonMaxBytes, &entry.supervisor_name);
  Apply(edit.translator, kPersonMaxBytes, &entry.translator_name);
  Apply(edit.publisher, kPersonMaxBytes, &entry.publisher_name);
  if (edit.note) entry.note.SetText(platform::CutCp932(*edit.note, kNoteMaxBytes));
  if (edit.rating) entry.my_rate = static_cast<int16_t>(*edit.rating);
  for (int level = 1; level <= 3; ++level) {
    const std::optional<std::string>& name = edit.categories[level - 1];
    if (!name) continue;
    const std::string cut = platform::CutCp932(*name, kCategoryMaxBytes);
    entry.SetCategoryName(level, cut.empty() ? std::string(kOtherCategoryName) : cut);
  }

  const std::string n1 = entry.CategoryName(1), n2 = entry.CategoryName(2),
                    n3 = entry.CategoryName(3);
  const bool new_category = !document.CategoryExists(n1, n2, n3);
  if (new_category && IdsLeft(document.counters(), kTagCategory, kCounterKeyCategory) == 0) {
    return kIdsExhausted;
  }
  document.UpdateEntry(entry);
  if (new_category) {
    NewCategoryRecord(document.categories(), document.counters(), n1, n2, n3);
    document.RebuildLevelNames();
  }
  return document.Save();
}

}  // namespace veldra::commands
