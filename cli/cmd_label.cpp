#include "cli/catalog_session.h"
#include "cli/cli_text.h"
#include "cli/tools.h"
#include "commands/label_edit.h"

namespace veldra::cli {

int RunLabel(const Tool& tool, const ParsedArgs& args, ToolIo& io) {
  int level = 0;
  if (!ParseLevel(io, tool, args.positionals[1], &level)) return kExitUsage;
  std::string text;
  if (!ArgToName(io, "label", args.positionals[2], &text)) return kExitFailed;
  auto document = OpenCatalogFor(io, args.positionals[0], Access::kChange);
  if (!document) return kExitFailed;
  const int rc = commands::RenameLabel(*document, level, text);
  if (rc == commands::kRenameNoLabel) {
    return Fail(io, "the catalog has no label record for level " + std::to_string(level));
  }
  return ReportSave(io, *document, rc);
}

}  // namespace veldra::cli
