// A lock of the real platform: flock(2) on a descriptor opened for it alone. flock belongs
// to the open file description, so closing other descriptors of the same file (the
// container opens and closes its own for every operation) leaves it in place, and a second
// description excludes it even within one process.
#pragma once

#include <memory>
#include <string>

#include "platform/platform.h"

namespace veldra::platform {

// Opens the file at sys_path (UTF-8) for reading and takes its exclusive lock without
// waiting.
LockResult TryFlock(const std::string& sys_path, std::unique_ptr<FileLock>* lock);

}  // namespace veldra::platform
