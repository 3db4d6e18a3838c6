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

const AttributeCache::Texts& AttributeCache::Of(const uint8_t* encoded_entry) {
  Texts& texts = entries_[EncodedEntryId(encoded_entry)];
  for (size_t f = 0; f < kAttributeFields.size(); ++f) {
    const std::string_view bytes = EncodedEntryTextBytes(encoded_entry, kAttributeFields[f].offset);
    AttributeText& text = texts[f];
    if (text.bytes == bytes) continue;
    text.bytes.assign(bytes);
    text.utf8 = platform::Cp932ToUtf8(FieldText(encoded_entry, kAttributeFields[f]));
    text.canonical = CanonicalForm(text.utf8);
  }
  return texts;
}

std::vector<size_t> FindAll(const CanonicalText& text, const std::string& canonical_term) {
  std::vector<size_t> found;
  if (canonical_term.empty()) return found;
  for (size_t at = text.text.find(canonical_term); at != std::string::npos;) {
    found.push_back(at);
    size_t length = 0;
    DecodeUtf8At(text.text, at, &length);
    at = text.text.find(canonical_term, at + length);
  }
  return found;
}

}  // namespace veldra::search
