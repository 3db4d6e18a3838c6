#include "storage/entry_text.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string_view>
#include <vector>

#include "platform/platform.h"
#include "platform/whole_file.h"
#include "storage/catalog_document.h"
#include "storage/catalog_files.h"
#include "storage/catalog_tags.h"
#include "storage/category_names.h"
#include "storage/text_encoding.h"

namespace veldra {

// Positions in kEntryTextKeys.
enum EntryTextKeyIndex : size_t {
  kVersion,
  kId,
  kFileName,
  kTitle,
  kFileCreateDate,
  kC1Name,
  kC2Name,
  kC3Name,
  kNote,
  kMyRate,
  kCoId,
  kCreateDate,
  kUpdateDate,
  kLastViewDate,
  kLastUseDate,
  kWindowPosition,
  kWindowZIndex,
  kFocusItem,
  kDetailToggle,
  kScrollPosition,
  kCaretPosition,
  kSelectionStart,
  kSelectionEnd,
  kAuthorName,
  kEditorName,
  kSupervisorName,
  kPublisherName,
  kTranslatorName,
  kDlgFocusTab,
  kDlgFocusItem,
  kFileSize,
  kFilePath,  // the first of the tail keys, which a file may leave out
  kOs,
  kMachineName,
  kPdfWindowPosition,
  kEntryWindowOrderedIndex,
  kPdfWindowOrderedIndex,
  kIsSelectEntryList,
};

const std::array<EntryTextKey, kEntryTextKeyCount> kEntryTextKeys = {{
    {"[vdc_version]", 8},
    {"[en_id]", 8},
    {"[en_file_name]", 128},
    {"[en_title]", 128},
    {"[en_file_create_date]", 18},
    {"[en_c1_name]", 128},
    {"[en_c2_name]", 128},
    {"[en_c3_name]", 128},
    {"[en_note]", 256},
    {"[en_my_rate]", 8},
    {"[en_co_id]", 16},
    {"[en_create_date]", 18},
    {"[en_update_date]", 18},
    {"[en_last_view_date]", 18},
    {"[en_last_use_date]", 18},
    {"[en_window_position]", 32},
    {"[en_window_z_index]", 16},
    {"[en_focus_item]", 16},
    {"[en_detail_toggle]", 16},
    {"[en_scroll_position]", 16},
    {"[en_caret_position]", 16},
    {"[en_selection_start]", 16},
    {"[en_selection_end]", 16},
    {"[en_author_name]", 128},
    {"[en_editor_name]", 128},
    {"[en_supervisor_name]", 128},
    {"[en_publisher_name]", 128},
    {"[en_translator_name]", 128},
    {"[en_dlg_focus_tab]", 16},
    {"[en_dlg_focus_item]", 16},
    {"[en_file_size]", 16},
    {"[en_file_path]", 512},
    {"[en_os]", 62},
    {"[en_machine_name]", 128},
    {"[en_pdf_window_position]", 32},
    {"[en_entry_window_ordered_index]", 16},
    {"[en_pdf_window_ordered_index]", 16},
    {"[en_is_select_entrylist]", 16},
}};

namespace {

// ---------------------------------------------------------------------------------------
// Writing

// Buffer sizes the text fields are converted into when written.
constexpr size_t kNoteWriteLimit = 256;
constexpr size_t kPathWriteLimit = 512;
constexpr size_t kOsWriteLimit = 64;
constexpr size_t kTextWriteLimit = 128;
// A line is formatted into this many bytes of the multibyte code page, its NUL included.
constexpr size_t kLineBufferSize = 1024;

std::string RectText(const WindowRect& r) {
  return std::to_string(r.top) + "," + std::to_string(r.left) + "," +
         std::to_string(r.bottom) + "," + std::to_string(r.right);
}

// The multibyte value written for key index.
std::string ValueText(const EntryRecord& e, size_t index) {
  switch (index) {
    case kVersion: return kEntryTextVersion;
    case kId: return std::to_string(e.id);
    case kFileName: return e.file_name.Text(kTextWriteLimit);
    case kTitle: return e.title.Text(kTextWriteLimit);
    case kFileCreateDate: return e.file_create_date.Text();
    case kC1Name: return e.category_names[0].Text(kTextWriteLimit);
    case kC2Name: return e.category_names[1].Text(kTextWriteLimit);
    case kC3Name: return e.category_names[2].Text(kTextWriteLimit);
    case kNote: return e.note.Text(kNoteWriteLimit);
    case kMyRate: return std::to_string(e.my_rate);
    case kCoId: return std::to_string(e.co_id);
    case kCreateDate: return e.create_date.Text();
    case kUpdateDate: return e.update_date.Text();
    case kLastViewDate: return e.last_view_date.Text();
    case kLastUseDate: return e.last_use_date.Text();
    case kWindowPosition: return RectText(e.window_position);
    case kWindowZIndex: return std::to_string(e.window_z_index);
    case kFocusItem: return std::to_string(e.focus_item);
    case kDetailToggle: return e.detail_toggle != 0 ? "1" : "0";
    case kScrollPosition: return std::to_string(e.scroll_position);
    case kCaretPosition: return std::to_string(e.caret_position);
    case kSelectionStart: return std::to_string(e.selection_start);
    case kSelectionEnd: return std::to_string(e.selection_end);
    case kAuthorName: return e.author_name.Text(kTextWriteLimit);
    case kEditorName: return e.editor_name.Text(kTextWriteLimit);
    case kSupervisorName: return e.supervisor_name.Text(kTextWriteLimit);
    case kPublisherName: return e.publisher_name.Text(kTextWriteLimit);
    case kTranslatorName: return e.translator_name.Text(kTextWriteLimit);
    case kDlgFocusTab: return std::to_string(e.dlg_focus_tab);
    case kDlgFocusItem: return std::to_string(e.dlg_focus_item);
    case kFileSize: return std::to_string(e.file_size);
    case kFilePath: return e.file_path.Text(kPathWriteLimit);
    case kOs: return e.os.Text(kOsWriteLimit);
    case kMachineName: return e.machine_name.Text(kTextWriteLimit);
    case kPdfWindowPosition: return RectText(e.pdf_window_position);
    case kEntryWindowOrderedIndex: return std::to_string(e.entry_window_ordered_index);
    case kPdfWindowOrderedIndex: return std::to_string(e.pdf_window_ordered_index);
    case kIsSelectEntryList: return e.is_select_entrylist != 0 ? "1" : "0";
    default: return std::string();
  }
}

// The UTF-8 form of one multibyte line, cut to the line buffer first; "" when it has none.
std::string LineToUtf8(std::string line) {
  if (line.size() > kLineBufferSize - 1) line.resize(kLineBufferSize - 1);
  const int length = MultibyteToUtf8Length(line);
  if (length <= 0) return std::string();
  std::vector<char> utf8(static_cast<size_t>(length) + 1);
  if (MultibyteToUtf8(line, utf8.data(), utf8.size()) != 0) return std::string();
  return std::string(utf8.data(), static_cast<size_t>(length));
}

// ---------------------------------------------------------------------------------------
// Reading

constexpr size_t kAbsent = std::string_view::npos;

// The file's text with the position of every key's line and the end of the text.
struct ScannedText {
  std::string_view text;
  std::array<size_t, kEntryTextKeyCount> line{};  // where "\n" + key + " " starts, or kAbsent
  size_t end = 0;  // just after the last character that is not a line feed

  explicit ScannedText(std::string_view all) : text(all.substr(0, all.find('\0'))) {
    for (size_t i = 0; i < kEntryTextKeyCount; ++i) {
      line[i] = text.find("\n" + std::string(kEntryTextKeys[i].key) + " ");
    }
    const size_t last = text.find_last_not_of('\n');
    end = last == std::string_view::npos ? 0 : last + 1;
  }

  bool present(size_t index) const { return line[index] != kAbsent; }
  // Where the value of a present key starts: after its line feed, key and space.
  size_t value_start(size_t index) const {
    return line[index] + 1 + std::strlen(kEntryTextKeys[index].key) + 1;
  }
};

// A value taken from the text: its multibyte form, and whether it may be used.
struct TakenValue {
  std::string text;
  bool accepted = false;
};

// Converts the bytes [start, stop) of the text under the key's limit. An empty range (also
// one whose stop lies before its start, when keys stand out of order) gives nothing.
TakenValue TakeValue(const ScannedText& scan, size_t index, size_t start, size_t stop) {
  TakenValue value;
  if (stop <= start || start > scan.text.size()) return value;
  const size_t limit = kEntryTextKeys[index].read_limit;
  std::vector<char> buffer(limit, '\0');
  if (Utf8ToMultibyte(scan.text.substr(start, stop - start), buffer.data(), limit) != 0) {
    return value;
  }
  value.text = buffer.data();
  value.accepted = value.text.find('\n') == std::string::npos;
  return value;
}

// The value of one of the keys before the tail: it runs to the next key's line; when that
// key is missing, to the end of the text for "[en_id]" .. "[en_c2_name]", and is empty for
// the others.
TakenValue TakeHeadValue(const ScannedText& scan, size_t index) {
  if (!scan.present(index)) return TakenValue();
  size_t stop = 0;
  if (scan.present(index + 1)) {
    stop = scan.line[index + 1];
  } else if (index >= kId && index <= kC2Name) {
    stop = scan.end;
  } else {
    return TakenValue();
  }
  return TakeValue(scan, index, scan.value_start(index), stop);
}

// Decimal parsing as the C library's atoi does it: leading white space, an optional sign,
// the digits up to the first other character; "" gives 0. Values beyond the 32-bit range
// are held at its ends.
int32_t ParseDecimal(std::string_view text) {
  size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r'))) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  int64_t value = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    value = std::min<int64_t>(value * 10 + (text[i] - '0'), int64_t{INT32_MAX} + 1);
  }
  if (negative) value = -value;
  return static_cast<int32_t>(std::clamp<int64_t>(value, INT32_MIN, INT32_MAX));
}

int16_t Cut16(int32_t value) {
  return static_cast<int16_t>(static_cast<uint16_t>(static_cast<uint32_t>(value) & 0xFFFF));
}

// Four comma-separated numbers; missing ones are 0.
WindowRect ParseRect(std::string_view text) {
  int32_t parts[4] = {0, 0, 0, 0};
  std::string_view rest = text;
  bool more = true;
  for (int32_t& part : parts) {
    if (!more) break;
    const size_t comma = rest.find(',');
    part = ParseDecimal(rest.substr(0, comma));
    if (comma == std::string_view::npos) {
      more = false;
    } else {
      rest.remove_prefix(comma + 1);
    }
  }
  return WindowRect{Cut16(parts[0]), Cut16(parts[1]), Cut16(parts[2]), Cut16(parts[3])};
}

void SetTimestamp(CatalogTimestamp* stamp, const std::string& text) {
  stamp->bytes.fill('\0');
  std::memcpy(stamp->bytes.data(), text.data(),
              std::min(text.size(), CatalogTimestamp::kEncodedLength - 1));
}

// A category name as an entry may hold it: "＜すべて＞", the lists' "all" item, stands for
// "その他", as it does wherever a category is chosen.
std::string CategoryValue(const std::string& name) {
  return name == kAllCategoriesName ? std::string(kOtherCategoryName) : name;
}

// The text without the carriage return of every CR LF pair, so a file saved with CR LF
// line ends reads as the one with LF alone; a lone CR is kept. The text ends at its first
// NUL.
std::string WithoutCrBeforeLf(std::string_view all) {
  const std::string_view text = all.substr(0, all.find('\0'));
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
    out += text[i];
  }
  return out;
}

// Stores a value into the field behind key index.
void StoreValue(EntryRecord* e, size_t index, const std::string& v) {
  switch (index) {
    case kId: e->id = ParseDecimal(v); break;
    case kFileName: e->file_name.SetText(v); break;
    case kTitle: e->title.SetText(v); break;
    case kFileCreateDate: SetTimestamp(&e->file_create_date, v); break;
    case kC1Name: e->category_names[0].SetText(CategoryValue(v)); break;
    case kC2Name: e->category_names[1].SetText(CategoryValue(v)); break;
    case kC3Name: e->category_names[2].SetText(CategoryValue(v)); break;
    case kNote: e->note.SetText(v); break;
    case kMyRate: e->my_rate = Cut16(ParseDecimal(v)); break;
    case kCoId: e->co_id = ParseDecimal(v); break;
    case kCreateDate: SetTimestamp(&e->create_date, v); break;
    case kUpdateDate: SetTimestamp(&e->update_date, v); break;
    case kLastViewDate: SetTimestamp(&e->last_view_date, v); break;
    case kLastUseDate: SetTimestamp(&e->last_use_date, v); break;
    case kWindowPosition: e->window_position = ParseRect(v); break;
    case kWindowZIndex: e->window_z_index = ParseDecimal(v); break;
    case kFocusItem: e->focus_item = ParseDecimal(v); break;
    case kDetailToggle: e->detail_toggle = ParseDecimal(v) != 0 ? 1 : 0; break;
    case kScrollPosition: e->scroll_position = ParseDecimal(v); break;
    case kCaretPosition: e->caret_position = ParseDecimal(v); break;
    case kSelectionStart: e->selection_start = ParseDecimal(v); break;
    case kSelectionEnd: e->selection_end = ParseDecimal(v); break;
    case kAuthorName: e->author_name.SetText(v); break;
    case kEditorName: e->editor_name.SetText(v); break;
    case kSupervisorName: e->supervisor_name.SetText(v); break;
    case kPublisherName: e->publisher_name.SetText(v); break;
    case kTranslatorName: e->translator_name.SetText(v); break;
    case kDlgFocusTab: e->dlg_focus_tab = ParseDecimal(v); break;
    case kDlgFocusItem: e->dlg_focus_item = ParseDecimal(v); break;
    case kFileSize: e->file_size = ParseDecimal(v); break;
    case kFilePath: e->file_path.SetText(v); break;
    case kOs: e->os.SetText(v); break;
    case kMachineName: e->machine_name.SetText(v); break;
    case kPdfWindowPosition: e->pdf_window_position = ParseRect(v); break;
    case kEntryWindowOrderedIndex: e->entry_window_ordered_index = Cut16(ParseDecimal(v)); break;
    case kPdfWindowOrderedIndex: e->pdf_window_ordered_index = Cut16(ParseDecimal(v)); break;
    case kIsSelectEntryList: e->is_select_entrylist = static_cast<uint8_t>(ParseDecimal(v)); break;
    default: break;
  }
}

// The tail keys are read with a moving limit: each value runs up to the limit, and only an
// accepted value moves the limit on, to the line of the key two places further. A missing,
// empty, overlong or multi-line tail value therefore leaves the limit behind, and the tail
// values after it come out empty.
void ReadTail(const ScannedText& scan, EntryRecord* e) {
  size_t limit = scan.line[kOs];
  for (size_t index = kFilePath; index < kEntryTextKeyCount; ++index) {
    if (!scan.present(index)) continue;
    const size_t stop = limit == kAbsent ? scan.end : limit;
    const TakenValue value = TakeValue(scan, index, scan.value_start(index), stop);
    if (!value.accepted) continue;
    StoreValue(e, index, value.text);
    limit = index + 2 < kEntryTextKeyCount ? scan.line[index + 2] : kAbsent;
  }
}

}  // namespace

std::string EntryTextBytes(const EntryRecord& entry) {
  // The lines are gathered first and written with one call: an export writes a companion
  // beside every PDF, and forty small writes per file cost more than the PDF itself.
  std::string text;
  auto add_line = [&](const std::string& line) { text += LineToUtf8(line); };
  add_line("\n");
  for (size_t i = 0; i < kEntryTextKeyCount; ++i) {
    add_line(std::string(kEntryTextKeys[i].key) + " " + ValueText(entry, i) + "\n");
  }
  return text;
}

bool WriteEntryText(const EntryRecord& entry, const std::string& path) {
  const std::string text = EntryTextBytes(entry);

  platform::Platform& os = platform::Platform::Current();
  std::unique_ptr<platform::File> file = os.Open(path, platform::OpenMode::kCreate);
  if (!file) return false;
  const bool written = file->WriteAt(0, text.data(), text.size());
  file.reset();
  if (!written) os.Remove(path);
  return written;
}

void ParseEntryText(std::string_view text, EntryRecord* out) {
  const std::string lf_text = WithoutCrBeforeLf(text);
  const ScannedText scan(lf_text);
  // The keys before the tail are stored whether or not their value was accepted: a
  // rejected value stores the empty text, or 0.
  for (size_t index = kId; index < kFilePath; ++index) {
    StoreValue(out, index, TakeHeadValue(scan, index).text);
  }
  ReadTail(scan, out);
}

bool ReadEntryText(EntryRecord* out, const std::string& path, CVeldraDocument& catalog) {
  std::string bytes;
  if (out == nullptr || !platform::ReadWholeFile(platform::Platform::Current(), path,
                                                 kMaxEntryTextFileSize, &bytes)) {
    return false;
  }
  EntryRecord read;
  ParseEntryText(bytes, &read);
  const std::string c1 = read.CategoryName(1);
  const std::string c2 = read.CategoryName(2);
  const std::string c3 = read.CategoryName(3);
  const bool new_category = !catalog.CategoryExists(c1, c2, c3);
  if (IdsLeft(catalog.counters(), kTagEntry, kCounterKeyEntry) == 0 ||
      (new_category && IdsLeft(catalog.counters(), kTagCategory, kCounterKeyCategory) == 0)) {
    return false;
  }
  *out = read;
  out->id = NextId(catalog.counters(), kTagEntry, kCounterKeyEntry);
  if (new_category) {
    NewCategoryRecord(catalog.categories(), catalog.counters(), c1, c2, c3);
    catalog.RebuildLevelNames();
  }
  return true;
}

}  // namespace veldra
