// The text attributes of entries that a search matches in memory, in canonical form
// (search/normalized_text.h), read from the live document at every search: an edited title
// is found at once, a deleted entry never.
//
// AttributeCache keeps each entry's canonical forms between searches and makes them again
// only when the entry's field bytes changed, so that a search of 10,000 entries does not
// normalise 100,000 texts each time.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "search/normalized_text.h"
#include "search/search_query.h"
#include "storage/catalog_entry_record.h"

namespace veldra::search {

struct AttributeField {
  const char* key;  // the entry's key, which snippets name it by
  size_t offset;    // of the text field in the encoded entry
  QueryField field;
};

inline constexpr std::array<AttributeField, 10> kAttributeFields = {{
    {"en_title", EntryRecord::kTitleOffset, QueryField::kTitle},
    {"en_author_name", EntryRecord::kAuthorOffset, QueryField::kPerson},
    {"en_editor_name", EntryRecord::kEditorOffset, QueryField::kPerson},
    {"en_supervisor_name", EntryRecord::kSupervisorOffset, QueryField::kPerson},
    {"en_translator_name", EntryRecord::kTranslatorOffset, QueryField::kPerson},
    {"en_publisher_name", EntryRecord::kPublisherOffset, QueryField::kPerson},
    {"en_c1_name", EntryRecord::kCategoryNamesOffset, QueryField::kCategory},
    {"en_c2_name", EntryRecord::kCategoryNamesOffset + 256, QueryField::kCategory},
    {"en_c3_name", EntryRecord::kCategoryNamesOffset + 512, QueryField::kCategory},
    {"en_note", EntryRecord::kNoteOffset, QueryField::kNote},
}};

// True when a term of field may match attribute.
inline bool FieldCovers(QueryField field, const AttributeField& attribute) {
  return field == QueryField::kAny || field == attribute.field;
}

struct AttributeText {
  std::string utf8;  // the text as the entry list shows it
  CanonicalText canonical;
};

// An entry's attributes, made from the bytes of its fields, and their canonical forms joined
// by "\n" (which no canonical form holds): a term absent from the joined text is in none.
struct EntryAttributes {
  int32_t entry_id = 0;
  std::string bytes;  // the encoded bytes of every field, one after the other
  std::array<uint16_t, kAttributeFields.size()> ends{};  // where each field's bytes end
  std::array<AttributeText, kAttributeFields.size()> fields;
  std::string joined;
};

class AttributeCache {
 public:
  // The attributes of the encoded entry at row of the entries, made again when the row
  // holds another entry or the entry's fields changed since.
  const EntryAttributes& Of(int row, const uint8_t* encoded_entry);
  // Keeps what is known of the first rows only (the entries' table has rows rows now).
  void Resize(int rows) { rows_.resize(static_cast<size_t>(rows)); }

 private:
  std::vector<EntryAttributes> rows_;
};

// How often the canonical form of a term occurs in a canonical text (overlapping
// occurrences included), and the byte offset of the first occurrence.
struct Occurrences {
  int count = 0;
  size_t first = 0;
};
Occurrences FindOccurrences(const CanonicalText& text, const std::string& canonical_term);

}  // namespace veldra::search
