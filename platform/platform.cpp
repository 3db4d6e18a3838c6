#include "platform/platform.h"

#include <filesystem>

#include "platform/posix_platform.h"

namespace veldra::platform {
namespace {

Platform* g_installed = nullptr;  // set by ScopedPlatform in tests
thread_local Failure g_last_failure = Failure::kNone;

}  // namespace

Failure LastFailure() { return g_last_failure; }

void SetLastFailure(Failure failure) { g_last_failure = failure; }

FileKind Platform::KindOf(const std::string& path) {
  if (IsDirectory(path)) return FileKind::kDirectory;
  return FileExists(path) ? FileKind::kRegularFile : FileKind::kMissing;
}

bool Platform::RenameNoReplace(const std::string& from, const std::string& to) {
  return !NameTaken(to) && Rename(from, to);
}

bool Platform::NameTaken(const std::string& path) {
  return FileExists(path) || IsDirectory(path);
}

int64_t File::ReadAtScattered(int64_t offset, const ReadSlice* slices, size_t count) {
  int64_t done = 0;
  for (size_t i = 0; i < count; ++i) {
    const int64_t got = ReadAt(offset + done, slices[i].data, slices[i].size);
    if (got < 0) return -1;
    done += got;
    if (static_cast<size_t>(got) < slices[i].size) break;  // end of file
  }
  return done;
}

bool Platform::MakeAbsolute(const std::string& path, std::string* out) {
  if (!path.empty() && path[0] == '/') {
    *out = path;
    return true;
  }
  std::string folder;
  if (!WorkingFolder(&folder)) return false;
  // "/" and "." never occur inside a CP932 double-byte character, so the bytes can be
  // worked on as they are.
  *out = (std::filesystem::path(folder) / path).lexically_normal().string();
  return true;
}

LockResult Platform::LockFile(const std::string& path, int64_t wait_ms,
                              std::unique_ptr<FileLock>* lock) {
  LockResult result = TryLockFile(path, lock);
  for (int64_t waited = 0; result == LockResult::kHeldElsewhere && waited < wait_ms;
       waited += kLockPollMs) {
    Sleep(kLockPollMs);
    result = TryLockFile(path, lock);
  }
  return result;
}

Platform& Platform::Real() {
  static PosixPlatform real;
  return real;
}

Platform& Platform::Current() { return g_installed != nullptr ? *g_installed : Real(); }

ScopedPlatform::ScopedPlatform(Platform* platform) : previous_(g_installed) {
  g_installed = platform;
}

ScopedPlatform::~ScopedPlatform() { g_installed = previous_; }

}  // namespace veldra::platform
