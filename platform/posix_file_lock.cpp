#include "platform/posix_file_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "platform/posix_error.h"

namespace veldra::platform {
namespace {

class PosixFileLock : public FileLock {
 public:
  explicit PosixFileLock(int fd) : fd_(fd) {}
  ~PosixFileLock() override { ::close(fd_); }  // closing the description releases the lock
  PosixFileLock(const PosixFileLock&) = delete;
  PosixFileLock& operator=(const PosixFileLock&) = delete;

 private:
  int fd_;
};

}  // namespace

LockResult TryFlock(const std::string& sys_path, std::unique_ptr<FileLock>* lock) {
  lock->reset();
  int fd = -1;
  do {
    // O_NONBLOCK: a pipe without a writer must not hold the caller before it is refused.
    fd = ::open(sys_path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
  } while (ResultOf(fd) == SysResult::kInterrupted);
  if (fd < 0) return LockResult::kFailed;
  struct stat st {};
  if (ResultOf(::fstat(fd, &st)) != SysResult::kOk) {
    ::close(fd);
    return LockResult::kFailed;
  }
  // Only a regular file carries a catalog's lock: a folder, a pipe or a device is no
  // catalog.
  if (!S_ISREG(st.st_mode)) {
    ::close(fd);
    SetLastFailure(Failure::kNotRegularFile);
    return LockResult::kFailed;
  }
  for (;;) {
    if (::flock(fd, LOCK_EX | LOCK_NB) == 0) break;
    const int error = errno;
    if (error == EINTR) continue;
    ::close(fd);
    return error == EWOULDBLOCK ? LockResult::kHeldElsewhere : LockResult::kFailed;
  }
  *lock = std::make_unique<PosixFileLock>(fd);
  return LockResult::kLocked;
}

}  // namespace veldra::platform
