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

// The result of a call that returned rc (-1 means failure, errno tells why).
SysResult ResultOf(long rc);

// As ResultOf, for an errno value already taken.
SysResult ResultOfErrno(int error);

}  // namespace veldra::platform
