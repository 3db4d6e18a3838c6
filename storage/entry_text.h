// The entry text record: one EntryRecord as a small UTF-8 text file, the companion (.vdb)
// written beside an exported PDF and read back when that PDF is imported again.
//
// The file starts with an empty line; then comes one line per key, in the fixed order of
// kEntryTextKeys, made of the key, a space, the value and a line feed. Nothing marks the end
// of a value but the next key, so a text value may span several lines (the note does).
// Paths are CP932 with "/" as the separator; files are reached through
// platform::Platform::Current().
#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <string_view>

#include "storage/catalog_entry_record.h"

namespace veldra {

class CVeldraDocument;

// One key of the record and the limit of its value when read: bytes of the multibyte form,
// the terminator included, so a value is kept only when it converts to at most limit - 1
// bytes.
struct EntryTextKey {
  const char* key;
  size_t read_limit;
};

inline constexpr size_t kEntryTextKeyCount = 38;
extern const std::array<EntryTextKey, kEntryTextKeyCount> kEntryTextKeys;

// The value written for "[vdc_version]" (never checked when read).
inline constexpr char kEntryTextVersion[] = "0090";

// A companion file larger than this is refused by ReadEntryText: a real one is a few
// kilobytes, and a stray large file must not be read whole into memory.
inline constexpr size_t kMaxEntryTextFileSize = 1 << 20;

// Writes entry to path (created or truncated), line by line. true when every line was
// written; false when the file cannot be created or a write fails, and then no part-written
// file is left at path.
bool WriteEntryText(const EntryRecord& entry, const std::string& path);
// The bytes WriteEntryText writes for entry.
std::string EntryTextBytes(const EntryRecord& entry);

// The fields of an entry text record in text (the whole file's bytes) into *out, which the
// caller has reset; the text ends at its first NUL. Values that are missing, empty, invalid
// UTF-8 or too long are dropped field by field, never cut. The id is the one in the text.
// A carriage return just before a line feed is not part of any value (a file saved with
// CR LF line ends reads as with LF alone); a category name "＜すべて＞" is read as "その他".
// Touches nothing but *out: any bytes at all may be handed in.
void ParseEntryText(std::string_view text, EntryRecord* out);

// Reads the file at path into *out, which the caller has reset. Values that are missing,
// empty, invalid UTF-8 or too long are dropped field by field, never cut. The entry gets a
// new id from catalog's counters (the id in the file is ignored), and its category triple
// is added to catalog's categories when the catalog has none with the same three names.
// false, with *out and catalog untouched, when the file cannot be opened or read or is
// larger than kMaxEntryTextFileSize, or when the counters have no id left for the entry or
// its new category.
bool ReadEntryText(EntryRecord* out, const std::string& path, CVeldraDocument& catalog);

}  // namespace veldra
