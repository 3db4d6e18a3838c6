// The JSON text of entries written piece by piece must be byte for byte what Qt's JSON writer
// makes of the same entries as one document.
#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>

#include <climits>
#include <string>
#include <vector>

#include "cli/entry_fields.h"
#include "platform/codepage.h"

namespace veldra::cli {
namespace {

std::string Cp932(const std::string& utf8) {
  std::string out;
  platform::Utf8ToCp932(utf8, &out);
  return out;
}

// What "list --json" writes for entries, the way it writes it.
std::string Streamed(const std::vector<EntryRecord>& entries, int ordinal) {
  std::string text = "[\n";
  for (size_t k = 0; k < entries.size(); ++k) {
    text += "    ";
    AppendEntryJson(entries[k], ordinal, 1, &text);
    text += k + 1 < entries.size() ? ",\n" : "\n";
  }
  return text + "]\n";
}

std::string QtDocument(const std::vector<EntryRecord>& entries, int ordinal) {
  QJsonArray array;
  for (const EntryRecord& e : entries) array.append(EntryToJson(e, ordinal));
  return QJsonDocument(array).toJson(QJsonDocument::Indented).toStdString();
}

TEST(EntryJsonTest, StreamedTextIsQtsDocument) {
  std::string every_control;
  for (char c = 1; c < 0x20; ++c) every_control += c;
  struct Row {
    const char* what;
    std::string text;  // CP932, put into every text field
    int32_t number;    // into every number field
    int16_t corner;    // into every rectangle
    int ordinal;
  };
  const Row rows[] = {
      {"empty", "", 0, 0, -1},
      {"control characters", every_control + "\x7F", -1, -1, 0},
      {"quotes and backslashes", "\"C:\\docs\\\"x\"\\", INT32_MAX, INT16_MAX, INT_MAX},
      {"Japanese and half-width kana", Cp932("技術書 ｶﾀｶﾅ ①～−"), INT32_MIN, INT16_MIN, 7},
      {"slash and braces", "a/b {c} [d]: e, f", 12345, 300, 42},
  };
  for (const Row& row : rows) {
    EntryRecord e;
    e.id = row.number;
    for (auto* field : {&e.file_name, &e.title, &e.author_name, &e.editor_name,
                        &e.supervisor_name, &e.publisher_name, &e.translator_name,
                        &e.machine_name}) {
      field->SetText(row.text);
    }
    for (auto& name : e.category_names) name.SetText(row.text);
    e.note.SetText(row.text);
    e.file_path.SetText(row.text);
    e.os.SetText(row.text);
    e.my_rate = static_cast<int16_t>(row.number);
    e.file_size = row.number;
    e.co_id = e.window_z_index = e.focus_item = e.scroll_position = row.number;
    e.caret_position = e.selection_start = e.selection_end = row.number;
    e.dlg_focus_tab = e.dlg_focus_item = row.number;
    e.detail_toggle = e.is_select_entrylist = static_cast<uint8_t>(row.number);
    e.window_position = {row.corner, 1, static_cast<int16_t>(-row.corner), 2};
    e.pdf_window_position = {3, row.corner, 4, row.corner};
    e.entry_window_ordered_index = e.pdf_window_ordered_index = row.corner;
    for (size_t b = 0; b + 1 < e.update_date.bytes.size() && b < row.text.size(); ++b) {
      e.update_date.bytes[b] = row.text[b];
    }
    EntryRecord other = e;
    other.id = 1;
    for (const std::vector<EntryRecord>& entries :
         {std::vector<EntryRecord>{}, std::vector<EntryRecord>{e},
          std::vector<EntryRecord>{e, other, e}}) {
      EXPECT_EQ(Streamed(entries, row.ordinal), QtDocument(entries, row.ordinal))
          << row.what << ", " << entries.size() << " entries";
    }
  }
}

}  // namespace
}  // namespace veldra::cli
