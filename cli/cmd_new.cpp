#include "cli/cli_text.h"
#include "cli/tools.h"
#include "platform/platform.h"
#include "storage/catalog_files.h"

namespace veldra::cli {

int RunNew(const Tool& tool, const ParsedArgs& args, ToolIo& io) {
  const std::string& utf8_path = args.positionals[0];
  std::string path;
  if (!ArgToCp932(io, "catalog path", utf8_path, &path)) return kExitFailed;
  platform::Platform& platform = platform::Platform::Current();
  if (platform.FileExists(path) || platform.IsDirectory(path)) {
    return Fail(io, "something exists at " + utf8_path + " already; nothing was written");
  }
  if (!CreateDefaultCatalog(path)) return Fail(io, "cannot create " + utf8_path);
  return kExitOk;
}

}  // namespace veldra::cli
