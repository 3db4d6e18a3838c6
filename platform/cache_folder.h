// The checks a file in the per-user cache folder (Platform::CacheFolder) needs, on the real
// file system: the search index is an SQLite file, which no fake platform can hold.
//
// Paths are CP932 with "/" as the separator, as everywhere; they become UTF-8 at the call.
#pragma once

#include <string>

#include "platform/platform.h"

namespace veldra::platform {

// What stands at a path, a symbolic link at its end not followed.
enum class NodeKind {
  kMissing,
  kRegularFile,
  kDirectory,
  kSymbolicLink,  // whatever it points at, or nothing
  kOther,         // a pipe, a device or a socket
};
NodeKind NodeKindOf(const std::string& path);

// Makes the folder path and every missing folder above it; new folders are readable by
// their owner only. kNone when the folder exists afterwards (links on the way are followed,
// as a user's ~/.cache may be one); otherwise why not: kNotRegularFile when a file (or
// anything but a folder) stands where a folder must be, kDenied when a folder cannot be
// written, or the system's cause.
Failure MakeFolders(const std::string& path);

// kNone when new files can be made in the folder, kDenied when they cannot (permissions, a
// read-only file system), kNotFound when there is no such folder.
Failure FolderWritable(const std::string& folder);

}  // namespace veldra::platform
