// EntryRecord: one catalogued PDF with its attributes and the remembered state of its
// windows (tag "ENTR", 4644 bytes). Offsets are the k...Offset constants below; the entry
// text record (.vdb) key of each field is given beside it.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "storage/catalog_coding.h"
#include "storage/catalog_timestamp.h"

namespace veldra {

// A window rectangle in the main window's client coordinates, stored as four i16.
struct WindowRect {
  int16_t top = 0;
  int16_t left = 0;
  int16_t bottom = 0;
  int16_t right = 0;
  // A rectangle narrower or lower than 1 means that no placement is stored (a new entry
  // has all four zero).
  bool HasPlacement() const { return right - left >= 1 && bottom - top >= 1; }
  // The rectangle of a window, each value cut to 16 bits as the record stores it.
  static WindowRect CutFrom(int top, int left, int bottom, int right) {
    return WindowRect{static_cast<int16_t>(top), static_cast<int16_t>(left),
                      static_cast<int16_t>(bottom), static_cast<int16_t>(right)};
  }
  bool operator==(const WindowRect&) const = default;
};

struct EntryRecord {
  static constexpr size_t kEncodedLength = 4644;

  static constexpr size_t kIdOffset = 0;                       // [en_id]
  static constexpr size_t kFileNameOffset = 4;                 // [en_file_name]
  static constexpr size_t kTitleOffset = 260;                  // [en_title]
  static constexpr size_t kFileCreateDateOffset = 516;         // [en_file_create_date]
  static constexpr size_t kCategoryNamesOffset = 534;          // [en_c1_name] .. [en_c3_name]
  static constexpr size_t kNoteOffset = 1302;                  // [en_note]
  static constexpr size_t kMyRateOffset = 1814;                // [en_my_rate]
  static constexpr size_t kCoIdOffset = 1816;                  // [en_co_id]
  static constexpr size_t kCreateDateOffset = 1820;            // [en_create_date]
  static constexpr size_t kUpdateDateOffset = 1838;            // [en_update_date]
  static constexpr size_t kLastViewDateOffset = 1856;          // [en_last_view_date]
  static constexpr size_t kLastUseDateOffset = 1874;           // [en_last_use_date]
  static constexpr size_t kWindowPositionOffset = 1892;        // [en_window_position]
  static constexpr size_t kWindowZIndexOffset = 1900;          // [en_window_z_index]
  static constexpr size_t kFocusItemOffset = 1904;             // [en_focus_item]
  static constexpr size_t kDetailToggleOffset = 1908;          // [en_detail_toggle], 3 pad
  static constexpr size_t kScrollPositionOffset = 1912;        // [en_scroll_position]
  static constexpr size_t kCaretPositionOffset = 1916;         // [en_caret_position]
  static constexpr size_t kSelectionStartOffset = 1920;        // [en_selection_start]
  static constexpr size_t kSelectionEndOffset = 1924;          // [en_selection_end]
  static constexpr size_t kAuthorOffset = 1928;                // [en_author_name]
  static constexpr size_t kEditorOffset = 2184;                // [en_editor_name]
  static constexpr size_t kSupervisorOffset = 2440;            // [en_supervisor_name]
  static constexpr size_t kPublisherOffset = 2696;             // [en_publisher_name]
  static constexpr size_t kTranslatorOffset = 2952;            // [en_translator_name]
  static constexpr size_t kDlgFocusTabOffset = 3208;           // [en_dlg_focus_tab]
  static constexpr size_t kDlgFocusItemOffset = 3212;          // [en_dlg_focus_item]
  static constexpr size_t kFileSizeOffset = 3216;              // [en_file_size]
  static constexpr size_t kFilePathOffset = 3220;              // [en_file_path]
  static constexpr size_t kOsOffset = 4244;                    // [en_os]
  static constexpr size_t kMachineNameOffset = 4372;           // [en_machine_name]
  static constexpr size_t kPdfWindowPositionOffset = 4628;     // [en_pdf_window_position]
  static constexpr size_t kEntryWindowOrderedIndexOffset = 4636;
  static constexpr size_t kPdfWindowOrderedIndexOffset = 4638;
  static constexpr size_t kIsSelectEntryListOffset = 4640;     // [en_is_select_entrylist], 3 pad

  int32_t id = 0;
  TextField<256> file_name;
  TextField<256> title;
  CatalogTimestamp file_create_date;
  std::array<TextField<256>, 3> category_names;  // [0] is level 1
  TextField<512> note;
  int16_t my_rate = 0;
  int32_t co_id = 0;
  CatalogTimestamp create_date;
  CatalogTimestamp update_date;
  CatalogTimestamp last_view_date;
  CatalogTimestamp last_use_date;
  WindowRect window_position;
  int32_t window_z_index = 0;
  int32_t focus_item = 0;
  uint8_t detail_toggle = 0;
  int32_t scroll_position = 0;
  int32_t caret_position = 0;
  int32_t selection_start = 0;
  int32_t selection_end = 0;
  TextField<256> author_name;
  TextField<256> editor_name;
  TextField<256> supervisor_name;
  TextField<256> publisher_name;
  TextField<256> translator_name;
  int32_t dlg_focus_tab = 0;
  int32_t dlg_focus_item = 0;
  int32_t file_size = 0;
  TextField<1024> file_path;
  TextField<128> os;
  TextField<256> machine_name;
  WindowRect pdf_window_position;
  int16_t entry_window_ordered_index = 0;
  int16_t pdf_window_ordered_index = 0;
  uint8_t is_select_entrylist = 0;

  // The category name of level 1..3 in CP932, cut to 127 bytes; "" for another level.
  std::string CategoryName(int level) const;
  void SetCategoryName(int level, std::string_view name);

  void EncodeTo(uint8_t* dst) const;
  static EntryRecord DecodeFrom(const uint8_t* src);
  // Decodes into *this only the field that starts at offset (one of the k...Offset constants;
  // a category name by kCategoryNamesOffset + 256 * (level - 1)); the other fields keep what
  // they hold. For readers that need a few fields of many records without reading the rest.
  // false, nothing changed, for an offset at which no field starts.
  bool DecodeFieldFrom(const uint8_t* src, size_t offset);
  bool operator==(const EntryRecord&) const = default;
};

// Read straight from an entry's encoded bytes, for walks over a whole table.
inline int32_t EncodedEntryId(const uint8_t* src) {
  return coding::DecodeI32(src + EntryRecord::kIdOffset);
}
inline bool EncodedEntrySelected(const uint8_t* src) {
  return src[EntryRecord::kIsSelectEntryListOffset] == 1;
}

// The bytes an entry keeps unchanged from its import on: the path it was imported from, the
// system and the machine (its lasting bytes in kCatalogTables), then its creation stamp.
// Copies of one entry (a copied, compacted or salvaged catalog) agree in them; another entry
// almost never does. For readers that key something by an entry (the search index).
std::string EncodedEntryLastingBytes(const uint8_t* src);

// The UTF-16LE bytes of the text field that starts at offset (a k...Offset of a text field)
// of an encoded entry, up to its NUL: for readers that keep something made from a field and
// tell by these bytes whether it changed. Empty for an offset at which no text field starts.
std::string_view EncodedEntryTextBytes(const uint8_t* src, size_t offset);

}  // namespace veldra
