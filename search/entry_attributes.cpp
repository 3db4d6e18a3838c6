#include "search/entry_attributes.h"

#include "platform/codepage.h"

namespace veldra::search {
namespace {

// The field's text (CP932) as the entry list shows it: category names cut as everywhere.
std::string FieldText(const uint8_t* encoded_entry, const AttributeField& field) {
  EntryRecord entry;
  entry.DecodeFieldFrom(encoded_entry, field.offset);
  switch (field.offset) {
    case EntryRecord::kTitleOffset: return entry.title.Text();
    case EntryRecord::kAuthorOffset: return entry.author_name.Text();
    case EntryRecord::kEditorOffset: return entry.editor_name.Text();
    case EntryRecord::kSupervisorOffset: return entry.supervisor_name.Text();
    case EntryRecord::kTranslatorOffset: return entry.translator_name.Text();
    case EntryRecord::kPublisherOffset: return entry.publisher_name.Text();
    case EntryRecord::kCategoryNamesOffset: return entry.CategoryName(1);
    case EntryRecord::kCategoryNamesOffset + 256: return entry.CategoryName(2);
    case EntryRecord::kCategoryNamesOffset + 512: return entry.CategoryName(3);
    case EntryRecord::kNoteOffset: return entry.note.Text();
    default: return std::string();
  }
}

}  // namespace

const EntryAttributes& AttributeCache::Of(int row, const uint8_t* encoded_entry) {
  if (static_cast<size_t>(row) >= rows_.size()) rows_.resize(static_cast<size_t>(row) + 1);
  EntryAttributes& entry = rows_[static_cast<size_t>(row)];
  const int32_t id = EncodedEntryId(encoded_entry);
  bool same = entry.entry_id == id && !entry.joined.empty();
  size_t begin = 0;
  for (size_t f = 0; same && f < kAttributeFields.size(); ++f) {
    const std::string_view bytes = EncodedEntryTextBytes(encoded_entry, kAttributeFields[f].offset);
    same = std::string_view(entry.bytes).substr(begin, entry.ends[f] - begin) == bytes;
    begin = entry.ends[f];
  }
  if (same) return entry;
  entry.entry_id = id;
  entry.bytes.clear();
  entry.joined.clear();
  for (size_t f = 0; f < kAttributeFields.size(); ++f) {
    entry.bytes.append(EncodedEntryTextBytes(encoded_entry, kAttributeFields[f].offset));
    entry.ends[f] = static_cast<uint16_t>(entry.bytes.size());
    AttributeText& text = entry.fields[f];
    text.utf8 = platform::Cp932ToUtf8(FieldText(encoded_entry, kAttributeFields[f]));
    text.canonical = CanonicalForm(text.utf8);
    entry.joined += text.canonical.text;
    entry.joined += '\n';
  }
  return entry;
}

Occurrences FindOccurrences(const CanonicalText& text, const std::string& canonical_term) {
  Occurrences found;
  if (canonical_term.empty()) return found;
  for (size_t at = text.text.find(canonical_term); at != std::string::npos;) {
    if (found.count++ == 0) found.first = at;
    size_t length = 0;
    DecodeUtf8At(text.text, at, &length);
    at = text.text.find(canonical_term, at + length);
  }
  return found;
}

}  // namespace veldra::search
