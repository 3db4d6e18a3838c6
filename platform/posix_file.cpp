#include "platform/posix_file.h"

#include <limits.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <unistd.h>

#include <algorithm>
#include <vector>

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

int64_t PosixFile::ReadAtScattered(int64_t offset, const ReadSlice* slices, size_t count) {
  if (offset < 0) return -1;
  // preadv may stop early (a signal, a slice boundary); the rest is asked for again.
  std::vector<iovec> rest(count);
  for (size_t i = 0; i < count; ++i) rest[i] = iovec{slices[i].data, slices[i].size};
  size_t first = 0;
  int64_t done = 0;
  while (first < rest.size()) {
    if (rest[first].iov_len == 0) {
      ++first;
      continue;
    }
    const int n = static_cast<int>(std::min<size_t>(rest.size() - first, IOV_MAX));
    const ssize_t rc = ::preadv(fd_, &rest[first], n, offset + done);
    const SysResult result = ResultOf(rc);
    if (result == SysResult::kInterrupted) continue;
    if (result != SysResult::kOk) return -1;
    if (rc == 0) break;  // end of file
    done += rc;
    for (auto left = static_cast<size_t>(rc); left > 0;) {
      const size_t take = std::min(left, rest[first].iov_len);
      rest[first].iov_base = static_cast<char*>(rest[first].iov_base) + take;
      rest[first].iov_len -= take;
      left -= take;
      if (rest[first].iov_len == 0) ++first;
    }
  }
  return done;
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

bool PosixFile::Sync() {
  for (;;) {
    SysResult result = ResultOf(::fsync(fd_));
    if (result == SysResult::kInterrupted) continue;
    return result == SysResult::kOk;
  }
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
