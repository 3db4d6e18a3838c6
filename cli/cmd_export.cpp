#include "cli/catalog_session.h"
#include "cli/cli_text.h"
#include "cli/tools.h"
#include "commands/export_entries.h"
#include "platform/platform.h"
#include "storage/catalog_table.h"

namespace veldra::cli {

int RunExport(const Tool& tool, const ParsedArgs& args, ToolIo& io) {
  const bool all = args.Flag("--all");
  if (all == args.Has("--id")) return UsageError(io, tool, "give either --all or --id N...");
  std::vector<int32_t> ids;
  if (!all && !ParseEntryIds(io, tool, args.List("--id"), &ids)) return kExitUsage;

  const std::string& utf8_folder = args.positionals[1];
  std::string folder;
  if (!ArgToCp932(io, "folder", utf8_folder, &folder)) return kExitFailed;
  if (!platform::Platform::Current().IsDirectory(folder)) {
    return Fail(io, "no folder at " + utf8_folder);
  }
  while (folder.size() > 1 && folder.back() == '/') folder.pop_back();

  auto document = OpenCatalogFor(io, args.positionals[0], Access::kChange);
  if (!document) return kExitFailed;
  if (all) {
    for (int i = 0; i < document->entries().Count(); ++i) {
      ids.push_back(EncodedEntryId(document->entries().At(i)));
    }
  } else if (!RequireEntries(io, *document, ids)) {
    return kExitFailed;
  }

  std::vector<commands::ExportedEntry> report;
  int code = commands::ExportEntries(*document, ids, folder, &report) ? kExitOk : kExitFailed;
  for (const commands::ExportedEntry& item : report) {
    const std::string id = std::to_string(item.entry_id);
    switch (item.status) {
      case commands::ExportStatus::kExported:
        io.out << id << "\t" << ToUtf8(item.pdf_path) << "\n";
        break;
      case commands::ExportStatus::kCompanionFailed:
        io.out << id << "\t" << ToUtf8(item.pdf_path) << "\n";
        Fail(io, "entry " + id + ": " + commands::ExportStatusText(item.status));
        break;
      default:
        Fail(io, "entry " + id + ": " + commands::ExportStatusText(item.status) +
                     (item.pdf_path.empty() ? "" : " (" + ToUtf8(item.pdf_path) + ")"));
        break;
    }
  }
  // The last-use dates of the exported entries.
  if (int rc = document->SaveTables(document->path()); rc != kSaveOk) {
    return Fail(io, SaveFailedMessage(*document, rc));
  }
  return code;
}

}  // namespace veldra::cli
