// One writer at a time. A command that changes a file holds that file's writer lock, the
// one the application holds while it has a catalog open, from before it reads the file
// until it ends. A file another process holds is refused before anything is read or
// written, or, with --wait SECONDS, waited for.
#pragma once

#include <memory>

#include "cli/tool.h"
#include "platform/platform.h"

namespace veldra::cli {

// Takes the writer lock of the file tool writes (nothing for a reading tool). kExitOk with
// *lock holding it, or empty when there is nothing to hold: a reading tool, no file there
// yet, a file system without locks. Otherwise the exit code after the complaint.
int TakeWriterLock(ToolIo& io, const Tool& tool, const ParsedArgs& args,
                   std::unique_ptr<platform::FileLock>* lock);

// What --wait does for tool, as its help shows it.
const char* WaitHelp(const Tool& tool);

}  // namespace veldra::cli
