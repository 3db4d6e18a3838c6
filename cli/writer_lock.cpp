#include "cli/writer_lock.h"

#include <string>

#include "cli/cli_text.h"

namespace veldra::cli {

int TakeWriterLock(ToolIo& io, const Tool& tool, const ParsedArgs& args,
                   std::unique_ptr<platform::FileLock>* lock) {
  lock->reset();
  if (tool.writes == Writes::kNothing) return kExitOk;
  int wait_seconds = 0;
  if (args.Has("--wait") &&
      (!ParseInt32(args.Value("--wait"), &wait_seconds) || wait_seconds < 0)) {
    return UsageError(io, tool, "--wait takes a whole number of seconds, not '" +
                                    args.Value("--wait") + "'");
  }
  const bool catalog = tool.writes == Writes::kCatalog;
  const std::string& utf8_path = args.positionals[catalog ? 0 : 1];
  std::string path;
  if (!ArgToCp932(io, catalog ? "catalog path" : "new path", utf8_path, &path)) {
    return kExitFailed;
  }
  const char* nothing_done = catalog ? "nothing was changed" : "nothing was written";

  platform::Platform& platform = platform::Platform::Current();
  platform::LockResult result = platform.TryLockFile(path, lock);
  if (result == platform::LockResult::kHeldElsewhere && wait_seconds > 0) {
    io.err << "veldra-cli: " << ShownText(utf8_path)
           << " is open in another VELDRA process; waiting up to " << wait_seconds << " s\n";
    io.err.flush();
    result = platform.LockFile(path, int64_t{wait_seconds} * 1000, lock);
    if (result == platform::LockResult::kHeldElsewhere) {
      return Fail(io, utf8_path + " is still open in another VELDRA process after " +
                          std::to_string(wait_seconds) + " s; " + nothing_done);
    }
  }
  if (result == platform::LockResult::kHeldElsewhere) {
    return Fail(io, utf8_path + " is open in another VELDRA process; " + nothing_done);
  }
  // kFailed: no file there yet (new, compact to a new path), or one the command will find
  // it cannot read; or a file system that keeps no locks, where the command works as it
  // always did.
  return kExitOk;
}

const char* WaitHelp(const Tool& tool) {
  if (tool.writes == Writes::kNewPath) {
    return "  --wait SECONDS  when another VELDRA process has NEWPATH open, wait up to\n"
           "                  SECONDS for it to let go instead of refusing at once\n";
  }
  return "  --wait SECONDS  when another VELDRA process has the catalog open (the\n"
         "                  application, or another command that changes it), wait up to\n"
         "                  SECONDS for it to let go instead of refusing at once\n";
}

}  // namespace veldra::cli
