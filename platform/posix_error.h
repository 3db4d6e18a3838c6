// The one place where a failed POSIX call becomes a result of the platform layer.
#pragma once

namespace veldra::platform {

enum class SysResult {
  kOk,
  kInterrupted,  // EINTR: the call should simply be repeated
  kNotFound,     // ENOENT, ENOTDIR
  kExists,       // EEXIST
  kDenied,       // EACCES, EPERM, EROFS
  kFailed,       // anything else
};

// The one mapping of errno values to the platform's failure causes.
enum class Failure;
Failure FailureOfErrno(int error);

// The result of a call that returned rc (-1 means failure, errno tells why).
SysResult ResultOf(long rc);

// As ResultOf, for an errno value already taken. Both record the cause of a failure as
// LastFailure().
SysResult ResultOfErrno(int error);

}  // namespace veldra::platform
