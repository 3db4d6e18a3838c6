// The small records of a catalog file: id counters, labels, categories, attachment links,
// environment values, sort levels and remembered folders. The entry record has its own
// header (catalog_entry_record.h); offsets and sizes are listed in docs/catalog-format.md.
//
// Each record has typed members, EncodeTo(dst) writing exactly kEncodedLength bytes with
// every reserved byte zero, and DecodeFrom(src) reading them back.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "storage/catalog_coding.h"
#include "storage/catalog_timestamp.h"
#include "storage/chunk_file.h"

namespace veldra {

// One row of the id counter table (tag "IDCO").
//   0 i32 row id    4 i32 serving tag   8 char[64] key   72 i32 next value
//   76 created      94 updated          112 28 bytes reserved
struct IdCounterRow {
  static constexpr size_t kEncodedLength = 140;
  static constexpr size_t kKeySize = 64;

  int32_t row_id = 0;
  ChunkTag serving_tag = 0;
  std::array<uint8_t, kKeySize> key{};  // ASCII, NUL-terminated
  int32_t next_value = 0;
  CatalogTimestamp created;
  CatalogTimestamp updated;

  std::string Key() const;            // up to the first NUL
  void SetKey(std::string_view text);  // cut to 63 bytes, rest zero

  void EncodeTo(uint8_t* dst) const;
  static IdCounterRow DecodeFrom(const uint8_t* src);
  bool operator==(const IdCounterRow&) const = default;
};

// The display name of one category level (tag "LABE").
//   0 i32 id   4 i32 level (1..3)   8 text[256]   264 created   282 updated   300 28 reserved
struct LabelRecord {
  static constexpr size_t kEncodedLength = 328;

  int32_t id = 0;
  int32_t level = 0;
  TextField<256> text;
  CatalogTimestamp created;
  CatalogTimestamp updated;

  void EncodeTo(uint8_t* dst) const;
  static LabelRecord DecodeFrom(const uint8_t* src);
  bool operator==(const LabelRecord&) const = default;
};

// One category: a name per level (tag "CATS").
//   0 i32 id   4/260/516 text[256] level-1/2/3 names   772 created   790 updated   808 28 reserved
struct CategoryRecord {
  static constexpr size_t kEncodedLength = 836;

  int32_t id = 0;
  std::array<TextField<256>, 3> names;  // names[0] is level 1
  CatalogTimestamp created;
  CatalogTimestamp updated;

  // The name of level 1..3 in CP932, cut to 127 bytes; "" for another level.
  std::string Name(int level) const;

  void EncodeTo(uint8_t* dst) const;
  static CategoryRecord DecodeFrom(const uint8_t* src);
  bool operator==(const CategoryRecord&) const = default;
};

// Links an entry to its PDF bytes, the ordinal-th "ATTD" chunk of the file (tag "ATTA").
//   0 i32 id   4 i32 entry id   8 i32 ordinal   12 created   30 updated   48 28 reserved
struct AttachmentRecord {
  static constexpr size_t kEncodedLength = 76;

  int32_t id = 0;
  int32_t entry_id = 0;
  int32_t ordinal = 0;
  CatalogTimestamp created;
  CatalogTimestamp updated;

  void EncodeTo(uint8_t* dst) const;
  static AttachmentRecord DecodeFrom(const uint8_t* src);
  bool operator==(const AttachmentRecord&) const = default;
};

// A named text value of the catalog's own settings (tag "ENVI").
//   0 i32 id   4 text[128] key   132 text[256] value   388 created   406 updated   424 28 reserved
struct EnvironmentRecord {
  static constexpr size_t kEncodedLength = 452;

  int32_t id = 0;
  TextField<128> key;
  TextField<256> value;
  CatalogTimestamp created;
  CatalogTimestamp updated;

  void EncodeTo(uint8_t* dst) const;
  static EnvironmentRecord DecodeFrom(const uint8_t* src);
  bool operator==(const EnvironmentRecord&) const = default;
};

// One level of the entry list's sort order (tag "ENSO"; three records, primary first).
//   0 i32 level index   4 i32 sort key code   8 u8 ascending   9 created   27 updated
//   45 31 reserved
struct SortLevelRecord {
  static constexpr size_t kEncodedLength = 76;

  int32_t level_index = 0;
  int32_t key_code = 0;
  uint8_t ascending = 0;  // 1 ascending, 0 descending
  CatalogTimestamp created;
  CatalogTimestamp updated;

  void EncodeTo(uint8_t* dst) const;
  static SortLevelRecord DecodeFrom(const uint8_t* src);
  bool operator==(const SortLevelRecord&) const = default;
};

// A folder last chosen in a dialog (tags "PW01", "PW02", "PW04"; "PW03" in the preference
// file): a NUL-terminated CP932 path in 256 bytes.
struct RememberedFolder {
  static constexpr size_t kEncodedLength = 256;

  std::array<uint8_t, kEncodedLength> path{};

  std::string Path() const;             // up to the first NUL
  void SetPath(std::string_view text);  // cut to 255 bytes, rest zero

  void EncodeTo(uint8_t* dst) const;
  static RememberedFolder DecodeFrom(const uint8_t* src);
  bool operator==(const RememberedFolder&) const = default;
};

// The table of id counters is a RecordArray of encoded IdCounterRows.
using IdCounterTable = RecordArray;

}  // namespace veldra
