#include "cli/catalog_session.h"
#include "cli/tools.h"
#include "commands/delete_entries.h"

namespace veldra::cli {

int RunDelete(const Tool& tool, const ParsedArgs& args, ToolIo& io) {
  if (!args.Has("--id")) return UsageError(io, tool, "give the entries to delete with --id N...");
  std::vector<int32_t> ids;
  if (!ParseEntryIds(io, tool, args.List("--id"), &ids)) return kExitUsage;
  auto document = OpenCatalogFor(io, args.positionals[0], Access::kChange);
  if (!document) return kExitFailed;
  if (!RequireEntries(io, *document, ids)) return kExitFailed;
  return ReportSave(io, *document, commands::DeleteEntries(*document, ids));
}

}  // namespace veldra::cli
