#include "platform/posix_file.h"

#include <sys/stat.h>
#include <unistd.h>

#include "platform/posix_error.h"

namespace veldra::platform {

PosixFile::PosixFile(int fd, bool writable) : fd_(fd), writable_(writable) {}

PosixFile::~PosixFile() { ::close(fd_); }

int64_t PosixFile::ReadAt(int64_t offset, void* buf, size_t n) {
  if (offset < 0) return -1;
  auto* out = static_cast<char*>(buf);
  size_t done = 0;
  while (done < n) {
    ssize_t rc = ::pread(fd_, out + done, n - done, offset + static_cast<int64_t>(done));
    SysResult result = ResultOf(rc);
    if (result == SysResult::kInterrupted) continue;
    if (result != SysResult::kOk) return -1;
    if (rc == 0) break;  // end of file
    done += static_cast<size_t>(rc);
  }
  return static_cast<int64_t>(done);
}

bool PosixFile::WriteAt(int64_t offset, const void* buf, size_t n) {
  if (!writable_ || offset < 0) return false;
  const auto* in = static_cast<const char*>(buf);
  size_t done = 0;
  while (done < n) {
    ssize_t rc = ::pwrite(fd_, in + done, n - done, offset + static_cast<int64_t>(done));
    SysResult result = ResultOf(rc);
    if (result == SysResult::kInterrupted) continue;
    if (result != SysResult::kOk || rc == 0) return false;
    done += static_cast<size_t>(rc);
  }
  return true;
}

int64_t PosixFile::Size() {
  struct stat st {};
  if (ResultOf(::fstat(fd_, &st)) != SysResult::kOk) return -1;
  return static_cast<int64_t>(st.st_size);
}

bool PosixFile::Truncate(int64_t length) {
  if (!writable_ || length < 0) return false;
  for (;;) {
    SysResult result = ResultOf(::ftruncate(fd_, length));
    if (result == SysResult::kInterrupted) continue;
    return result == SysResult::kOk;
  }
}

}  // namespace veldra::platform
