#include "platform/cache_folder.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "platform/codepage.h"
#include "platform/posix_error.h"

namespace veldra::platform {
namespace {

std::string Sys(const std::string& cp932_path) { return Cp932ToUtf8(cp932_path); }

}  // namespace

NodeKind NodeKindOf(const std::string& path) {
  struct stat st {};
  if (::lstat(Sys(path).c_str(), &st) != 0) return NodeKind::kMissing;
  if (S_ISLNK(st.st_mode)) return NodeKind::kSymbolicLink;
  if (S_ISREG(st.st_mode)) return NodeKind::kRegularFile;
  if (S_ISDIR(st.st_mode)) return NodeKind::kDirectory;
  return NodeKind::kOther;
}

Failure MakeFolders(const std::string& path) {
  const std::string sys = Sys(path);
  // Each folder from the top down; the ones that exist are passed by.
  for (size_t slash = sys.find('/', 1);; slash = sys.find('/', slash + 1)) {
    const std::string part = sys.substr(0, slash);
    if (!part.empty() && ::mkdir(part.c_str(), 0700) != 0 && errno != EEXIST) {
      const int error = errno;
      struct stat st {};
      if (error == ENOTDIR || (::stat(part.c_str(), &st) == 0 && !S_ISDIR(st.st_mode))) {
        return Failure::kNotRegularFile;
      }
      return FailureOfErrno(error);
    }
    if (slash == std::string::npos) break;
  }
  struct stat st {};
  if (::stat(sys.c_str(), &st) != 0) return FailureOfErrno(errno);
  return S_ISDIR(st.st_mode) ? Failure::kNone : Failure::kNotRegularFile;
}

Failure FolderWritable(const std::string& folder) {
  if (::access(Sys(folder).c_str(), W_OK | X_OK) == 0) return Failure::kNone;
  return errno == ENOENT || errno == ENOTDIR ? Failure::kNotFound : Failure::kDenied;
}

}  // namespace veldra::platform
