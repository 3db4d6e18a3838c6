#include "cli/catalog_session.h"
#include "cli/cli_text.h"
#include "cli/tools.h"
#include "commands/compact_copy.h"

namespace veldra::cli {

int RunCompact(const Tool& tool, const ParsedArgs& args, ToolIo& io) {
  const std::string& utf8_target = args.positionals[1];
  std::string target;
  if (!ArgToCp932(io, "new path", utf8_target, &target)) return kExitFailed;
  auto document = OpenCatalogFor(io, args.positionals[0], Access::kCopy);
  if (!document) return kExitFailed;
  commands::CompactReport report;
  const int rc = commands::WriteCompactCopy(*document, target, &report);
  if (rc != commands::kCompactOk) {
    return Fail(io, "compact to " + utf8_target + ": " + commands::CompactResultText(rc));
  }
  if (report.skipped_attachments > 0) {
    io.err << "veldra-cli: warning: " << report.skipped_attachments
           << " attachment record(s) pointed at missing or unreadable bytes and were left out\n";
  }
  return kExitOk;
}

}  // namespace veldra::cli
