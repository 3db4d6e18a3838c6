#include <QJsonDocument>

#include "cli/catalog_session.h"
#include "cli/cli_text.h"
#include "cli/entry_fields.h"
#include "cli/tools.h"

namespace veldra::cli {

int RunShow(const Tool& tool, const ParsedArgs& args, ToolIo& io) {
  std::vector<int32_t> ids;
  if (!ParseEntryIds(io, tool, {args.positionals[1]}, &ids)) return kExitUsage;
  auto document = OpenCatalogFor(io, args.positionals[0], Access::kRead);
  if (!document) return kExitFailed;
  if (!RequireEntries(io, *document, ids)) return kExitFailed;

  if (const std::optional<EntryRecord> e = document->FindEntry(ids[0])) {
    const int ordinal = document->AttachmentOrdinal(e->id);
    if (args.Flag("--json")) {
      io.out << QJsonDocument(EntryToJson(*e, ordinal)).toJson(QJsonDocument::Indented).toStdString();
    } else {
      for (const auto& [key, value] : EntryFieldTexts(*e, ordinal)) {
        io.out << key << "\t" << EscapeCell(value) << "\n";
      }
    }
  }
  return WarnIfIncomplete(io, *document) ? kExitFailed : kExitOk;
}

}  // namespace veldra::cli
