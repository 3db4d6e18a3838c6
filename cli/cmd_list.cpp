#include <string>
#include <unordered_map>
#include <vector>

#include "cli/catalog_session.h"
#include "cli/cli_text.h"
#include "cli/entry_fields.h"
#include "cli/tools.h"
#include "commands/entry_list_text.h"
#include "commands/entry_sort.h"
#include "storage/catalog_table.h"
#include "storage/category_names.h"

namespace veldra::cli {
namespace {

constexpr size_t kOutputPiece = 64 * 1024;

// The ordinal of each entry's first attachment record (as AttachmentOrdinal gives it), for
// every entry at once.
std::unordered_map<int32_t, int> FirstAttachmentOrdinals(const CVeldraDocument& document) {
  const RecordArray& attachments = document.attachments();
  std::unordered_map<int32_t, int> ordinals;
  ordinals.reserve(static_cast<size_t>(attachments.Count()));
  for (int i = 0; i < attachments.Count(); ++i) {
    const AttachmentRecord record = AttachmentAt(attachments, i);
    ordinals.try_emplace(record.entry_id, record.ordinal);
  }
  return ordinals;
}

}  // namespace

int RunList(const Tool& tool, const ParsedArgs& args, ToolIo& io) {
  std::string selections[3];
  const char* options[3] = {"--c1", "--c2", "--c3"};
  for (int l = 0; l < 3; ++l) {
    selections[l] = std::string(kAllCategoriesName);
    if (args.Has(options[l]) &&
        !ArgToCp932(io, "category name", args.Value(options[l]), &selections[l])) {
      return kExitFailed;
    }
  }
  auto document = OpenCatalogFor(io, args.positionals[0], Access::kRead);
  if (!document) return kExitFailed;

  const RecordArray& table = document->entries();
  const std::vector<int> rows = commands::SortedEntryRows(
      table, document->MatchingEntries(selections[0], selections[1], selections[2]),
      commands::SortState::Of(*document));

  // The output goes out in pieces, so that it is never held whole.
  std::string text;
  auto flush = [&](bool last) {
    if (!last && text.size() < kOutputPiece) return;
    io.out.write(text.data(), static_cast<std::streamsize>(text.size()));
    text.clear();
  };
  if (args.Flag("--json")) {
    const std::unordered_map<int32_t, int> ordinals = FirstAttachmentOrdinals(*document);
    text = "[\n";
    for (size_t k = 0; k < rows.size(); ++k) {
      const EntryRecord e = EntryAt(table, rows[k]);
      const auto ordinal = ordinals.find(e.id);
      text += "    ";
      AppendEntryJson(e, ordinal == ordinals.end() ? -1 : ordinal->second, 1, &text);
      text += k + 1 < rows.size() ? ",\n" : "\n";
      flush(false);
    }
    text += "]\n";
  } else {
    for (int row : rows) {
      const std::vector<std::string> cells = commands::EntryListCells(EntryAt(table, row));
      for (size_t c = 0; c < cells.size(); ++c) {
        if (c > 0) text += '\t';
        AppendEscapedCell(ToUtf8(cells[c]), &text);
      }
      text += '\n';
      flush(false);
    }
  }
  flush(true);
  return WarnIfIncomplete(io, *document) ? kExitFailed : kExitOk;
}

}  // namespace veldra::cli
