// The text attributes of entries that a search matches in memory, in canonical form
// (search/normalized_text.h), read from the live document at every search: an edited title
// is found at once, a deleted entry never.
//
// AttributeCache keeps each entry's canonical forms between searches and makes a field's
// again only when its bytes in the entry changed, so that a search of 10,000 entries does
// not normalise 100,000 texts each time.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <unordered_map>
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
  std::string bytes;      // the field's encoded bytes it was made from
  std::string utf8;       // the text as the entry list shows it
  CanonicalText canonical;
};

class AttributeCache {
 public:
  using Texts = std::array<AttributeText, kAttributeFields.size()>;

  // The attributes of the encoded entry, made again where its bytes changed since.
  const Texts& Of(const uint8_t* encoded_entry);
  // Forgets the entries for which is_live(id) is false, once more are kept than the
  // live_count entries the document holds (deleted entries).
  template <class IsLive>
  void Prune(size_t live_count, IsLive is_live) {
    if (entries_.size() <= live_count) return;
    std::erase_if(entries_, [&](const auto& item) { return !is_live(item.first); });
  }

 private:
  std::unordered_map<int32_t, Texts> entries_;
};

// Where the canonical form of a term occurs in a canonical text: the byte offset of each
// occurrence (overlapping ones included), in order.
std::vector<size_t> FindAll(const CanonicalText& text, const std::string& canonical_term);

}  // namespace veldra::search
