#include <QJsonArray>
#include <QJsonDocument>

#include "cli/catalog_session.h"
#include "cli/cli_text.h"
#include "cli/entry_fields.h"
#include "cli/tools.h"
#include "commands/entry_list_text.h"
#include "commands/entry_sort.h"
#include "storage/catalog_table.h"
#include "storage/category_names.h"

namespace veldra::cli {

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

  const RecordArray& filtered =
      document->FilterEntries(selections[0], selections[1], selections[2]);
  std::vector<EntryRecord> entries;
  entries.reserve(filtered.Count());
  for (int i = 0; i < filtered.Count(); ++i) entries.push_back(EntryAt(filtered, i));
  commands::SortEntries(entries, commands::SortState::Of(*document));

  if (args.Flag("--json")) {
    QJsonArray array;
    for (const EntryRecord& e : entries) {
      array.append(EntryToJson(e, document->AttachmentOrdinal(e.id)));
    }
    io.out << QJsonDocument(array).toJson(QJsonDocument::Indented).toStdString();
  } else {
    for (const EntryRecord& e : entries) {
      std::vector<std::string> cells = commands::EntryListCells(e);
      for (size_t c = 0; c < cells.size(); ++c) {
        io.out << (c == 0 ? "" : "\t") << EscapeCell(ToUtf8(cells[c]));
      }
      io.out << "\n";
    }
  }
  return WarnIfIncomplete(io, *document) ? kExitFailed : kExitOk;
}

}  // namespace veldra::cli
