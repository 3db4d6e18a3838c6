#include "storage/catalog_entry_record.h"

#include <cstring>

#include "storage/catalog_table_list.h"
#include "storage/category_names.h"

namespace veldra {

using coding::DecodeI16;
using coding::DecodeI32;
using coding::EncodeI16;
using coding::EncodeI32;
using R = EntryRecord;

static_assert(R::kFileNameOffset == R::kIdOffset + 4);
static_assert(R::kTitleOffset == R::kFileNameOffset + 256);
static_assert(R::kFileCreateDateOffset == R::kTitleOffset + 256);
static_assert(R::kCategoryNamesOffset == R::kFileCreateDateOffset + 18);
static_assert(R::kNoteOffset == R::kCategoryNamesOffset + 3 * 256);
static_assert(R::kMyRateOffset == R::kNoteOffset + 512);
static_assert(R::kCoIdOffset == R::kMyRateOffset + 2);
static_assert(R::kCreateDateOffset == R::kCoIdOffset + 4);
static_assert(R::kUpdateDateOffset == R::kCreateDateOffset + 18);
static_assert(R::kLastViewDateOffset == R::kUpdateDateOffset + 18);
static_assert(R::kLastUseDateOffset == R::kLastViewDateOffset + 18);
static_assert(R::kWindowPositionOffset == R::kLastUseDateOffset + 18);
static_assert(R::kWindowZIndexOffset == R::kWindowPositionOffset + 8);
static_assert(R::kFocusItemOffset == R::kWindowZIndexOffset + 4);
static_assert(R::kDetailToggleOffset == R::kFocusItemOffset + 4);
static_assert(R::kScrollPositionOffset == R::kDetailToggleOffset + 1 + 3);
static_assert(R::kCaretPositionOffset == R::kScrollPositionOffset + 4);
static_assert(R::kSelectionStartOffset == R::kCaretPositionOffset + 4);
static_assert(R::kSelectionEndOffset == R::kSelectionStartOffset + 4);
static_assert(R::kAuthorOffset == R::kSelectionEndOffset + 4);
static_assert(R::kEditorOffset == R::kAuthorOffset + 256);
static_assert(R::kSupervisorOffset == R::kEditorOffset + 256);
static_assert(R::kPublisherOffset == R::kSupervisorOffset + 256);
static_assert(R::kTranslatorOffset == R::kPublisherOffset + 256);
static_assert(R::kDlgFocusTabOffset == R::kTranslatorOffset + 256);
static_assert(R::kDlgFocusItemOffset == R::kDlgFocusTabOffset + 4);
static_assert(R::kFileSizeOffset == R::kDlgFocusItemOffset + 4);
static_assert(R::kFilePathOffset == R::kFileSizeOffset + 4);
static_assert(R::kOsOffset == R::kFilePathOffset + 1024);
static_assert(R::kMachineNameOffset == R::kOsOffset + 128);
static_assert(R::kPdfWindowPositionOffset == R::kMachineNameOffset + 256);
static_assert(R::kEntryWindowOrderedIndexOffset == R::kPdfWindowPositionOffset + 8);
static_assert(R::kPdfWindowOrderedIndexOffset == R::kEntryWindowOrderedIndexOffset + 2);
static_assert(R::kIsSelectEntryListOffset == R::kPdfWindowOrderedIndexOffset + 2);
static_assert(R::kEncodedLength == R::kIsSelectEntryListOffset + 1 + 3);

namespace {

void EncodeRect(uint8_t* dst, const WindowRect& rect) {
  EncodeI16(dst + 0, rect.top);
  EncodeI16(dst + 2, rect.left);
  EncodeI16(dst + 4, rect.bottom);
  EncodeI16(dst + 6, rect.right);
}

WindowRect DecodeRect(const uint8_t* src) {
  return WindowRect{DecodeI16(src + 0), DecodeI16(src + 2), DecodeI16(src + 4),
                    DecodeI16(src + 6)};
}

}  // namespace

std::string EntryRecord::CategoryName(int level) const {
  if (level < 1 || level > 3) return std::string();
  return category_names[level - 1].Text(kCategoryNameBufferSize);
}

void EntryRecord::SetCategoryName(int level, std::string_view name) {
  if (level < 1 || level > 3) return;
  category_names[level - 1].SetText(name);
}

void EntryRecord::EncodeTo(uint8_t* dst) const {
  std::memset(dst, 0, kEncodedLength);
  EncodeI32(dst + kIdOffset, id);
  file_name.EncodeTo(dst + kFileNameOffset);
  title.EncodeTo(dst + kTitleOffset);
  file_create_date.EncodeTo(dst + kFileCreateDateOffset);
  for (size_t i = 0; i < category_names.size(); ++i) {
    category_names[i].EncodeTo(dst + kCategoryNamesOffset + 256 * i);
  }
  note.EncodeTo(dst + kNoteOffset);
  EncodeI16(dst + kMyRateOffset, my_rate);
  EncodeI32(dst + kCoIdOffset, co_id);
  create_date.EncodeTo(dst + kCreateDateOffset);
  update_date.EncodeTo(dst + kUpdateDateOffset);
  last_view_date.EncodeTo(dst + kLastViewDateOffset);
  last_use_date.EncodeTo(dst + kLastUseDateOffset);
  EncodeRect(dst + kWindowPositionOffset, window_position);
  EncodeI32(dst + kWindowZIndexOffset, window_z_index);
  EncodeI32(dst + kFocusItemOffset, focus_item);
  dst[kDetailToggleOffset] = detail_toggle;
  EncodeI32(dst + kScrollPositionOffset, scroll_position);
  EncodeI32(dst + kCaretPositionOffset, caret_position);
  EncodeI32(dst + kSelectionStartOffset, selection_start);
  EncodeI32(dst + kSelectionEndOffset, selection_end);
  author_name.EncodeTo(dst + kAuthorOffset);
  editor_name.EncodeTo(dst + kEditorOffset);
  supervisor_name.EncodeTo(dst + kSupervisorOffset);
  publisher_name.EncodeTo(dst + kPublisherOffset);
  translator_name.EncodeTo(dst + kTranslatorOffset);
  EncodeI32(dst + kDlgFocusTabOffset, dlg_focus_tab);
  EncodeI32(dst + kDlgFocusItemOffset, dlg_focus_item);
  EncodeI32(dst + kFileSizeOffset, file_size);
  file_path.EncodeTo(dst + kFilePathOffset);
  os.EncodeTo(dst + kOsOffset);
  machine_name.EncodeTo(dst + kMachineNameOffset);
  EncodeRect(dst + kPdfWindowPositionOffset, pdf_window_position);
  EncodeI16(dst + kEntryWindowOrderedIndexOffset, entry_window_ordered_index);
  EncodeI16(dst + kPdfWindowOrderedIndexOffset, pdf_window_ordered_index);
  dst[kIsSelectEntryListOffset] = is_select_entrylist;
}

EntryRecord EntryRecord::DecodeFrom(const uint8_t* src) {
  EntryRecord r;
  r.id = DecodeI32(src + kIdOffset);
  r.file_name.DecodeFrom(src + kFileNameOffset);
  r.title.DecodeFrom(src + kTitleOffset);
  r.file_create_date = CatalogTimestamp::DecodeFrom(src + kFileCreateDateOffset);
  for (size_t i = 0; i < r.category_names.size(); ++i) {
    r.category_names[i].DecodeFrom(src + kCategoryNamesOffset + 256 * i);
  }
  r.note.DecodeFrom(src + kNoteOffset);
  r.my_rate = DecodeI16(src + kMyRateOffset);
  r.co_id = DecodeI32(src + kCoIdOffset);
  r.create_date = CatalogTimestamp::DecodeFrom(src + kCreateDateOffset);
  r.update_date = CatalogTimestamp::DecodeFrom(src + kUpdateDateOffset);
  r.last_view_date = CatalogTimestamp::DecodeFrom(src + kLastViewDateOffset);
  r.last_use_date = CatalogTimestamp::DecodeFrom(src + kLastUseDateOffset);
  r.window_position = DecodeRect(src + kWindowPositionOffset);
  r.window_z_index = DecodeI32(src + kWindowZIndexOffset);
  r.focus_item = DecodeI32(src + kFocusItemOffset);
  r.detail_toggle = src[kDetailToggleOffset];
  r.scroll_position = DecodeI32(src + kScrollPositionOffset);
  r.caret_position = DecodeI32(src + kCaretPositionOffset);
  r.selection_start = DecodeI32(src + kSelectionStartOffset);
  r.selection_end = DecodeI32(src + kSelectionEndOffset);
  r.author_name.DecodeFrom(src + kAuthorOffset);
  r.editor_name.DecodeFrom(src + kEditorOffset);
  r.supervisor_name.DecodeFrom(src + kSupervisorOffset);
  r.publisher_name.DecodeFrom(src + kPublisherOffset);
  r.translator_name.DecodeFrom(src + kTranslatorOffset);
  r.dlg_focus_tab = DecodeI32(src + kDlgFocusTabOffset);
  r.dlg_focus_item = DecodeI32(src + kDlgFocusItemOffset);
  r.file_size = DecodeI32(src + kFileSizeOffset);
  r.file_path.DecodeFrom(src + kFilePathOffset);
  r.os.DecodeFrom(src + kOsOffset);
  r.machine_name.DecodeFrom(src + kMachineNameOffset);
  r.pdf_window_position = DecodeRect(src + kPdfWindowPositionOffset);
  r.entry_window_ordered_index = DecodeI16(src + kEntryWindowOrderedIndexOffset);
  r.pdf_window_ordered_index = DecodeI16(src + kPdfWindowOrderedIndexOffset);
  r.is_select_entrylist = src[kIsSelectEntryListOffset];
  return r;
}

bool EntryRecord::DecodeFieldFrom(const uint8_t* src, size_t offset) {
  const uint8_t* at = src + offset;
  switch (offset) {
    case kIdOffset: id = DecodeI32(at); break;
    case kFileNameOffset: file_name.DecodeFrom(at); break;
    case kTitleOffset: title.DecodeFrom(at); break;
    case kFileCreateDateOffset: file_create_date = CatalogTimestamp::DecodeFrom(at); break;
    case kCategoryNamesOffset: category_names[0].DecodeFrom(at); break;
    case kCategoryNamesOffset + 256: category_names[1].DecodeFrom(at); break;
    case kCategoryNamesOffset + 512: category_names[2].DecodeFrom(at); break;
    case kNoteOffset: note.DecodeFrom(at); break;
    case kMyRateOffset: my_rate = DecodeI16(at); break;
    case kCoIdOffset: co_id = DecodeI32(at); break;
    case kCreateDateOffset: create_date = CatalogTimestamp::DecodeFrom(at); break;
    case kUpdateDateOffset: update_date = CatalogTimestamp::DecodeFrom(at); break;
    case kLastViewDateOffset: last_view_date = CatalogTimestamp::DecodeFrom(at); break;
    case kLastUseDateOffset: last_use_date = CatalogTimestamp::DecodeFrom(at); break;
    case kWindowPositionOffset: window_position = DecodeRect(at); break;
    case kWindowZIndexOffset: window_z_index = DecodeI32(at); break;
    case kFocusItemOffset: focus_item = DecodeI32(at); break;
    case kDetailToggleOffset: detail_toggle = *at; break;
    case kScrollPositionOffset: scroll_position = DecodeI32(at); break;
    case kCaretPositionOffset: caret_position = DecodeI32(at); break;
    case kSelectionStartOffset: selection_start = DecodeI32(at); break;
    case kSelectionEndOffset: selection_end = DecodeI32(at); break;
    case kAuthorOffset: author_name.DecodeFrom(at); break;
    case kEditorOffset: editor_name.DecodeFrom(at); break;
    case kSupervisorOffset: supervisor_name.DecodeFrom(at); break;
    case kPublisherOffset: publisher_name.DecodeFrom(at); break;
    case kTranslatorOffset: translator_name.DecodeFrom(at); break;
    case kDlgFocusTabOffset: dlg_focus_tab = DecodeI32(at); break;
    case kDlgFocusItemOffset: dlg_focus_item = DecodeI32(at); break;
    case kFileSizeOffset: file_size = DecodeI32(at); break;
    case kFilePathOffset: file_path.DecodeFrom(at); break;
    case kOsOffset: os.DecodeFrom(at); break;
    case kMachineNameOffset: machine_name.DecodeFrom(at); break;
    case kPdfWindowPositionOffset: pdf_window_position = DecodeRect(at); break;
    case kEntryWindowOrderedIndexOffset: entry_window_ordered_index = DecodeI16(at); break;
    case kPdfWindowOrderedIndexOffset: pdf_window_ordered_index = DecodeI16(at); break;
    case kIsSelectEntryListOffset: is_select_entrylist = *at; break;
    default: return false;
  }
  return true;
}

std::string EncodedEntryLastingBytes(const uint8_t* src) {
  const CatalogTable& entries = kCatalogTables[2];
  static_assert(kCatalogTables[2].tag == kTagEntry);
  std::string bytes(reinterpret_cast<const char*>(src) + entries.lasting_offset,
                    entries.lasting_length);
  bytes.append(reinterpret_cast<const char*>(src) + R::kCreateDateOffset,
               CatalogTimestamp::kEncodedLength);
  return bytes;
}

std::string_view EncodedEntryTextBytes(const uint8_t* src, size_t offset) {
  size_t size = 0;
  switch (offset) {
    case R::kFileNameOffset:
    case R::kTitleOffset:
    case R::kCategoryNamesOffset:
    case R::kCategoryNamesOffset + 256:
    case R::kCategoryNamesOffset + 512:
    case R::kAuthorOffset:
    case R::kEditorOffset:
    case R::kSupervisorOffset:
    case R::kPublisherOffset:
    case R::kTranslatorOffset:
    case R::kMachineNameOffset: size = 256; break;
    case R::kNoteOffset: size = 512; break;
    case R::kFilePathOffset: size = 1024; break;
    case R::kOsOffset: size = 128; break;
    default: return std::string_view();
  }
  size_t used = 0;
  while (used + 1 < size && (src[offset + used] != 0 || src[offset + used + 1] != 0)) used += 2;
  return std::string_view(reinterpret_cast<const char*>(src) + offset, used);
}

}  // namespace veldra
