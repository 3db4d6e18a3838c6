#include "cli/catalog_session.h"
#include "cli/cli_text.h"
#include "cli/tools.h"
#include "commands/catalog_check.h"

namespace veldra::cli {

int RunCheck(const Tool& tool, const ParsedArgs& args, ToolIo& io) {
  const std::string& utf8_path = args.positionals[0];
  std::string path;
  if (!ArgToCp932(io, "catalog path", utf8_path, &path)) return kExitFailed;
  if (!RequireCatalogFile(io, path, utf8_path)) return kExitFailed;
  std::vector<std::string> problems;
  if (commands::CheckCatalog(path, &problems)) return kExitOk;
  io.err << "veldra-cli: " << utf8_path << ": " << problems.size() << " problem(s) found\n";
  for (const std::string& problem : problems) io.err << "  " << problem << "\n";
  return kExitFailed;
}

}  // namespace veldra::cli
