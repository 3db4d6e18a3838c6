#include "cli/entry_fields.h"

#include <QJsonArray>
#include <QString>
#include <algorithm>
#include <numeric>

#include "platform/codepage.h"

namespace veldra::cli {
namespace {

// One field: its text-record key, and either a text or a number or a rectangle.
struct Field {
  const char* key;
  enum Kind { kText, kNumber, kRect } kind;
  std::string text;  // UTF-8
  int64_t number = 0;
  WindowRect rect;
};

template <size_t N>
Field Text(const char* key, const TextField<N>& field) {
  return {key, Field::kText, platform::Cp932ToUtf8(field.Text()), 0, {}};
}
// Normally 17 digits; a date read from a foreign companion file may be any CP932 text.
Field Date(const char* key, const CatalogTimestamp& date) {
  return {key, Field::kText, platform::Cp932ToUtf8(date.Text()), 0, {}};
}
Field Number(const char* key, int64_t value) { return {key, Field::kNumber, "", value, {}}; }
Field Rect(const char* key, const WindowRect& rect) {
  return {key, Field::kRect, "", 0, rect};
}

std::vector<Field> Fields(const EntryRecord& e, int attachment_ordinal) {
  return {
      Number("en_id", e.id),
      Text("en_file_name", e.file_name),
      Text("en_title", e.title),
      Date("en_file_create_date", e.file_create_date),
      Text("en_c1_name", e.category_names[0]),
      Text("en_c2_name", e.category_names[1]),
      Text("en_c3_name", e.category_names[2]),
      Text("en_note", e.note),
      Number("en_my_rate", e.my_rate),
      Number("en_co_id", e.co_id),
      Date("en_create_date", e.create_date),
      Date("en_update_date", e.update_date),
      Date("en_last_view_date", e.last_view_date),
      Date("en_last_use_date", e.last_use_date),
      Rect("en_window_position", e.window_position),
      Number("en_window_z_index", e.window_z_index),
      Number("en_focus_item", e.focus_item),
      Number("en_detail_toggle", e.detail_toggle != 0 ? 1 : 0),
      Number("en_scroll_position", e.scroll_position),
      Number("en_caret_position", e.caret_position),
      Number("en_selection_start", e.selection_start),
      Number("en_selection_end", e.selection_end),
      Text("en_author_name", e.author_name),
      Text("en_editor_name", e.editor_name),
      Text("en_supervisor_name", e.supervisor_name),
      Text("en_publisher_name", e.publisher_name),
      Text("en_translator_name", e.translator_name),
      Number("en_dlg_focus_tab", e.dlg_focus_tab),
      Number("en_dlg_focus_item", e.dlg_focus_item),
      Number("en_file_size", e.file_size),
      Text("en_file_path", e.file_path),
      Text("en_os", e.os),
      Text("en_machine_name", e.machine_name),
      Rect("en_pdf_window_position", e.pdf_window_position),
      Number("en_entry_window_ordered_index", e.entry_window_ordered_index),
      Number("en_pdf_window_ordered_index", e.pdf_window_ordered_index),
      Number("en_is_select_entrylist", e.is_select_entrylist != 0 ? 1 : 0),
      Number("attachment_ordinal", attachment_ordinal),
  };
}

// The members' positions in Fields() in the order a JSON object keeps its keys (sorted).
const std::vector<size_t>& JsonMemberOrder() {
  static const std::vector<size_t> order = [] {
    const std::vector<Field> fields = Fields(EntryRecord{}, 0);
    std::vector<size_t> positions(fields.size());
    std::iota(positions.begin(), positions.end(), 0);
    std::sort(positions.begin(), positions.end(), [&](size_t a, size_t b) {
      return std::string_view(fields[a].key) < std::string_view(fields[b].key);
    });
    return positions;
  }();
  return order;
}

void AppendIndent(int depth, std::string* out) { out->append(4 * static_cast<size_t>(depth), ' '); }

// A JSON string of UTF-8 text: quotes, backslashes and control characters escaped as the
// JSON writer of Qt escapes them; everything else as it is.
void AppendJsonString(std::string_view utf8, std::string* out) {
  static const char kHex[] = "0123456789abcdef";
  out->push_back('"');
  size_t plain = 0;  // where the run of bytes that stay as they are begins
  for (size_t i = 0; i < utf8.size(); ++i) {
    const auto u = static_cast<unsigned char>(utf8[i]);
    if (u >= 0x20 && u != '"' && u != '\\') continue;
    out->append(utf8.data() + plain, i - plain);
    plain = i + 1;
    switch (u) {
      case '"': out->append("\\\""); break;
      case '\\': out->append("\\\\"); break;
      case '\b': out->append("\\b"); break;
      case '\f': out->append("\\f"); break;
      case '\n': out->append("\\n"); break;
      case '\r': out->append("\\r"); break;
      case '\t': out->append("\\t"); break;
      default:
        out->append("\\u00");
        out->push_back(kHex[u >> 4]);
        out->push_back(kHex[u & 0xF]);
    }
  }
  out->append(utf8.data() + plain, utf8.size() - plain);
  out->push_back('"');
}

}  // namespace

std::vector<std::pair<std::string, std::string>> EntryFieldTexts(const EntryRecord& entry,
                                                                 int attachment_ordinal) {
  std::vector<std::pair<std::string, std::string>> out;
  for (const Field& f : Fields(entry, attachment_ordinal)) {
    switch (f.kind) {
      case Field::kText: out.emplace_back(f.key, f.text); break;
      case Field::kNumber: out.emplace_back(f.key, std::to_string(f.number)); break;
      case Field::kRect:
        out.emplace_back(f.key, std::to_string(f.rect.top) + "," + std::to_string(f.rect.left) +
                                    "," + std::to_string(f.rect.bottom) + "," +
                                    std::to_string(f.rect.right));
        break;
    }
  }
  return out;
}

QJsonObject EntryToJson(const EntryRecord& entry, int attachment_ordinal) {
  QJsonObject object;
  for (const Field& f : Fields(entry, attachment_ordinal)) {
    const QString key = QString::fromLatin1(f.key);
    switch (f.kind) {
      case Field::kText: object.insert(key, QString::fromStdString(f.text)); break;
      case Field::kNumber: object.insert(key, static_cast<qint64>(f.number)); break;
      case Field::kRect:
        object.insert(key, QJsonArray{f.rect.top, f.rect.left, f.rect.bottom, f.rect.right});
        break;
    }
  }
  return object;
}

void AppendEntryJson(const EntryRecord& entry, int attachment_ordinal, int depth,
                     std::string* out) {
  const std::vector<Field> fields = Fields(entry, attachment_ordinal);
  out->append("{\n");
  bool first = true;
  for (size_t position : JsonMemberOrder()) {
    const Field& f = fields[position];
    if (!first) out->append(",\n");
    first = false;
    AppendIndent(depth + 1, out);
    out->push_back('"');
    out->append(f.key);
    out->append("\": ");
    switch (f.kind) {
      case Field::kText: AppendJsonString(f.text, out); break;
      case Field::kNumber: out->append(std::to_string(f.number)); break;
      case Field::kRect: {
        const int values[4] = {f.rect.top, f.rect.left, f.rect.bottom, f.rect.right};
        out->append("[\n");
        for (int k = 0; k < 4; ++k) {
          AppendIndent(depth + 2, out);
          out->append(std::to_string(values[k]));
          out->append(k < 3 ? ",\n" : "\n");
        }
        AppendIndent(depth + 1, out);
        out->push_back(']');
        break;
      }
    }
  }
  out->push_back('\n');
  AppendIndent(depth, out);
  out->push_back('}');
}

}  // namespace veldra::cli
