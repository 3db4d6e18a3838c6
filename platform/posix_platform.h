// The real platform on Linux. Paths arrive as CP932 and are converted to UTF-8 at every
// system call; names and texts coming back from the system are converted to CP932.
#pragma once

#include "platform/platform.h"

namespace veldra::platform {

class PosixPlatform : public Platform {
 public:
  LocalTime Now() override;
  std::unique_ptr<File> Open(const std::string& path, OpenMode mode) override;
  LockResult TryLockFile(const std::string& path, std::unique_ptr<FileLock>* lock) override;
  void Sleep(int milliseconds) override;
  bool FileExists(const std::string& path) override;
  bool Remove(const std::string& path) override;
  bool Rename(const std::string& from, const std::string& to) override;
  bool RenameNoReplace(const std::string& from, const std::string& to) override;
  bool SyncFolder(const std::string& folder) override;
  bool NameTaken(const std::string& path) override;
  bool MakeDirectory(const std::string& path) override;
  bool IsDirectory(const std::string& path) override;
  FileKind KindOf(const std::string& path) override;
  bool ListDirectory(const std::string& path, std::vector<DirItem>* items) override;
  bool FileCreationTime(const std::string& path, LocalTime* out) override;
  bool SameFile(const std::string& a, const std::string& b) override;
  bool OsName(std::string* out) override;
  std::string ComputerName() override;
  std::string TempFolder() override;
  std::string AppDataFolder() override;
  std::string CacheFolder() override;
  bool WorkingFolder(std::string* out) override;
};

// The PRETTY_NAME of an os-release text ("Linux" when it names none), quotes and
// backslash escapes removed. Exposed for tests.
std::string PrettyNameFromOsRelease(const std::string& os_release);

}  // namespace veldra::platform
