// lock_holder FILE: holds the writer lock of FILE as another VELDRA process would. Prints
// "locked" once it has the lock (or "not locked" and exits 1), then keeps it until its
// input ends or it is killed.
#include <unistd.h>

#include <cstdio>
#include <memory>
#include <string>

#include "platform/codepage.h"
#include "platform/platform.h"

int main(int argc, char** argv) {
  using veldra::platform::LockResult;
  std::string path;
  if (argc != 2 || !veldra::platform::Utf8ToCp932Exact(argv[1], &path)) return 2;
  std::unique_ptr<veldra::platform::FileLock> lock;
  if (veldra::platform::Platform::Real().TryLockFile(path, &lock) != LockResult::kLocked) {
    std::puts("not locked");
    return 1;
  }
  std::puts("locked");
  std::fflush(stdout);
  char c;
  while (::read(0, &c, 1) > 0) {
  }
  return 0;
}
