// An open file of the real platform: one descriptor, positioned reads and writes.
#pragma once

#include "platform/platform.h"

namespace veldra::platform {

class PosixFile : public File {
 public:
  // Takes ownership of fd, which must be open.
  PosixFile(int fd, bool writable);
  ~PosixFile() override;
  PosixFile(const PosixFile&) = delete;
  PosixFile& operator=(const PosixFile&) = delete;

  int64_t ReadAt(int64_t offset, void* buf, size_t n) override;
  int64_t ReadAtScattered(int64_t offset, const ReadSlice* slices, size_t count) override;
  bool WriteAt(int64_t offset, const void* buf, size_t n) override;
  int64_t Size() override;
  bool Truncate(int64_t length) override;
  bool Sync() override;

 private:
  int fd_;
  bool writable_;
};

}  // namespace veldra::platform
