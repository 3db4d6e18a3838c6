// An entry as veldra-cli prints it: every field as text, or a JSON object keyed by the
// entry text record's keys without their brackets. (The cells of the entry list come from
// commands/entry_list_text.h, as the browser's list takes them.)
#pragma once

#include <string>
#include <utility>
#include <vector>

#include <QJsonObject>

#include "storage/catalog_entry_record.h"

namespace veldra::cli {

// Every field, as (key, UTF-8 value) pairs in the text record's order ("en_id" ..
// "en_is_select_entrylist"), then "attachment_ordinal". Rectangles are "top,left,bottom,
// right"; dates their 17 digits or "".
std::vector<std::pair<std::string, std::string>> EntryFieldTexts(const EntryRecord& entry,
                                                                 int attachment_ordinal);

// The same fields as a JSON object: numbers as numbers (the two flags 0 or 1), rectangles
// as arrays of four numbers, dates as their digits or "".
QJsonObject EntryToJson(const EntryRecord& entry, int attachment_ordinal);

// The same object as text, appended to out byte for byte as QJsonDocument writes it indented
// inside depth enclosing levels: members 4 * (depth + 1) spaces in, the closing brace
// 4 * depth; the opening brace is not indented (the caller places it). For long lists, which
// then need not hold every object in memory at once.
void AppendEntryJson(const EntryRecord& entry, int attachment_ordinal, int depth,
                     std::string* out);

}  // namespace veldra::cli
