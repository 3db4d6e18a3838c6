#include "platform/posix_error.h"

#include <cerrno>

#include "platform/platform.h"

namespace veldra::platform {

Failure FailureOfErrno(int error) {
  switch (error) {
    case ENOENT:
    case ENOTDIR:
      return Failure::kNotFound;
    case EACCES:
    case EPERM:
    case EROFS:
      return Failure::kDenied;
    case ENOSPC:
    case EDQUOT:
      return Failure::kNoSpace;
    case EFBIG:
      return Failure::kTooLarge;
    case EISDIR:
    case ENXIO:
    case ENODEV:
      return Failure::kNotRegularFile;
    case EIO:
      return Failure::kIoError;
    default:
      return Failure::kOther;
  }
}

SysResult ResultOfErrno(int error) {
  if (error != 0 && error != EINTR) SetLastFailure(FailureOfErrno(error));
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
