#include "platform/posix_error.h"

#include <cerrno>

namespace veldra::platform {

SysResult ResultOfErrno(int error) {
  switch (error) {
    case 0:
      return SysResult::kOk;
    case EINTR:
      return SysResult::kInterrupted;
    case ENOENT:
    case ENOTDIR:
      return SysResult::kNotFound;
    case EEXIST:
      return SysResult::kExists;
    case EACCES:
    case EPERM:
    case EROFS:
      return SysResult::kDenied;
    default:
      return SysResult::kFailed;
  }
}

SysResult ResultOf(long rc) { return rc == -1 ? ResultOfErrno(errno) : SysResult::kOk; }

}  // namespace veldra::platform
