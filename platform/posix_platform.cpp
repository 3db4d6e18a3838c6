#include "platform/posix_platform.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/utsname.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <sstream>

#include "platform/codepage.h"
#include "platform/posix_error.h"
#include "platform/posix_file.h"
#include "platform/posix_file_lock.h"
#include "platform/whole_file.h"

namespace veldra::platform {
namespace {

// More than any os-release file holds.
constexpr uint64_t kOsReleaseMaxBytes = 64 * 1024;

// The UTF-8 form of a CP932 path, as the system calls want it.
std::string Sys(const std::string& cp932_path) { return Cp932ToUtf8(cp932_path); }

// A text from the system (UTF-8) as CP932.
std::string FromSys(const std::string& utf8) {
  std::string out;
  if (Utf8ToCp932(utf8, &out)) return out;
  out = utf8;  // a name that is not UTF-8 cannot be told: its other bytes become "?"
  for (char& c : out) {
    if (static_cast<unsigned char>(c) >= 0x80) c = '?';
  }
  return out;
}

LocalTime ToLocalTime(time_t seconds, long nanoseconds) {
  struct tm tm {};
  LocalTime out;
  if (localtime_r(&seconds, &tm) == nullptr) return out;
  out.year = tm.tm_year + 1900;
  out.month = tm.tm_mon + 1;
  out.day = tm.tm_mday;
  out.hour = tm.tm_hour;
  out.minute = tm.tm_min;
  out.second = std::min(tm.tm_sec, 59);  // a leap second shows as :59
  out.millisecond = static_cast<int>(nanoseconds / 1000000);
  return out;
}

int OpenFlags(OpenMode mode) {
  switch (mode) {
    case OpenMode::kRead:
      return O_RDONLY;
    case OpenMode::kReadWrite:
      return O_RDWR;
    case OpenMode::kCreate:
      return O_RDWR | O_CREAT | O_TRUNC;
    case OpenMode::kCreateNew:
      return O_RDWR | O_CREAT | O_EXCL;
    case OpenMode::kCreatePrivate:
      return O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW;
  }
  return O_RDONLY;
}

bool StatPath(const std::string& path, struct stat* st) {
  return ResultOf(::stat(Sys(path).c_str(), st)) == SysResult::kOk;
}

std::string EnvValue(const char* name) {
  const char* value = std::getenv(name);
  return value == nullptr ? std::string() : std::string(value);
}

}  // namespace

LocalTime PosixPlatform::Now() {
  struct timespec ts {};
  clock_gettime(CLOCK_REALTIME, &ts);
  return ToLocalTime(ts.tv_sec, ts.tv_nsec);
}

std::unique_ptr<File> PosixPlatform::Open(const std::string& path, OpenMode mode) {
  if (path.empty()) return nullptr;
  int fd = -1;
  SysResult result;
  do {
    // O_NONBLOCK: a pipe without a writer at the other end must not hold the caller; the
    // pipe is refused below.
    fd = ::open(Sys(path).c_str(), OpenFlags(mode) | O_CLOEXEC | O_NOCTTY | O_NONBLOCK,
                mode == OpenMode::kCreatePrivate ? 0600 : 0666);
    result = ResultOf(fd);
  } while (result == SysResult::kInterrupted);
  if (result != SysResult::kOk) return nullptr;
  struct stat st {};
  if (ResultOf(::fstat(fd, &st)) != SysResult::kOk) {
    ::close(fd);
    return nullptr;
  }
  // Only a regular file is read, changed or written over: a folder, a pipe, a socket or a
  // device never is, whatever the mode (kCreate would otherwise write into a pipe that
  // nobody reads, and wait for ever once it is full).
  if (!S_ISREG(st.st_mode)) {
    ::close(fd);
    SetLastFailure(Failure::kNotRegularFile);
    return nullptr;
  }
  ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
  return std::make_unique<PosixFile>(fd, mode != OpenMode::kRead);
}

LockResult PosixPlatform::TryLockFile(const std::string& path, std::unique_ptr<FileLock>* lock) {
  if (path.empty()) {
    lock->reset();
    return LockResult::kFailed;
  }
  return TryFlock(Sys(path), lock);
}

void PosixPlatform::Sleep(int milliseconds) {
  if (milliseconds <= 0) return;
  struct timespec rest {milliseconds / 1000, (milliseconds % 1000) * 1000000L};
  while (::nanosleep(&rest, &rest) != 0 && errno == EINTR) {
  }
}

bool PosixPlatform::FileExists(const std::string& path) {
  struct stat st {};
  if (!StatPath(path, &st) || S_ISDIR(st.st_mode)) return false;
  return ResultOf(::access(Sys(path).c_str(), R_OK)) == SysResult::kOk;
}

bool PosixPlatform::Remove(const std::string& path) {
  return ResultOf(::unlink(Sys(path).c_str())) == SysResult::kOk;
}

bool PosixPlatform::Rename(const std::string& from, const std::string& to) {
  return ResultOf(::rename(Sys(from).c_str(), Sys(to).c_str())) == SysResult::kOk;
}

bool PosixPlatform::RenameNoReplace(const std::string& from, const std::string& to) {
  // renameat2 refuses a taken name (a symbolic link included) in the same step as the
  // rename. A file system without it gets a hard link, which also never replaces, and the
  // old name is dropped afterwards.
  const std::string sys_from = Sys(from);
  const std::string sys_to = Sys(to);
  if (::renameat2(AT_FDCWD, sys_from.c_str(), AT_FDCWD, sys_to.c_str(), RENAME_NOREPLACE) == 0) {
    return true;
  }
  const int error = errno;
  if (error != EINVAL && error != ENOSYS) {
    static_cast<void>(ResultOfErrno(error));
    return false;
  }
  if (ResultOf(::link(sys_from.c_str(), sys_to.c_str())) != SysResult::kOk) return false;
  ::unlink(sys_from.c_str());
  return true;
}

bool PosixPlatform::SyncFolder(const std::string& folder) {
  int fd = -1;
  SysResult result;
  do {
    fd = ::open(folder.empty() ? "." : Sys(folder).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    result = ResultOf(fd);
  } while (result == SysResult::kInterrupted);
  if (result != SysResult::kOk) return false;
  do {
    result = ResultOf(::fsync(fd));
  } while (result == SysResult::kInterrupted);
  // A file system that cannot sync a folder (EINVAL) keeps no record of it to wait for.
  const bool synced = result == SysResult::kOk || errno == EINVAL;
  ::close(fd);
  return synced;
}

bool PosixPlatform::NameTaken(const std::string& path) {
  struct stat st {};
  return ::lstat(Sys(path).c_str(), &st) == 0;
}

bool PosixPlatform::MakeDirectory(const std::string& path) {
  SysResult result = ResultOf(::mkdir(Sys(path).c_str(), 0777));
  if (result == SysResult::kOk) return true;
  return result == SysResult::kExists && IsDirectory(path);
}

bool PosixPlatform::IsDirectory(const std::string& path) {
  struct stat st {};
  return StatPath(path, &st) && S_ISDIR(st.st_mode);
}

FileKind PosixPlatform::KindOf(const std::string& path) {
  struct stat st {};
  if (!StatPath(path, &st)) return FileKind::kMissing;
  if (S_ISREG(st.st_mode)) return FileKind::kRegularFile;
  return S_ISDIR(st.st_mode) ? FileKind::kDirectory : FileKind::kOther;
}

bool PosixPlatform::ListDirectory(const std::string& path, std::vector<DirItem>* items) {
  const std::string sys_path = Sys(path);
  DIR* dir = ::opendir(sys_path.c_str());
  if (dir == nullptr) return false;
  const int dir_fd = ::dirfd(dir);
  std::vector<DirItem> found;
  while (const struct dirent* entry = ::readdir(dir)) {
    const std::string name = entry->d_name;
    if (name == "." || name == "..") continue;
    DirItem item;
    item.name = FromSys(name);
    item.hidden = name[0] == '.';
    if (entry->d_type == DT_DIR) {
      item.is_directory = true;
    } else if (entry->d_type == DT_LNK || entry->d_type == DT_UNKNOWN) {
      struct stat st {};  // follow links, as a folder reached by a link is a folder
      item.is_directory =
          ::fstatat(dir_fd, name.c_str(), &st, 0) == 0 && S_ISDIR(st.st_mode);
    }
    found.push_back(std::move(item));
  }
  ::closedir(dir);
  std::sort(found.begin(), found.end(),
            [](const DirItem& a, const DirItem& b) { return a.name < b.name; });
  *items = std::move(found);
  return true;
}

bool PosixPlatform::FileCreationTime(const std::string& path, LocalTime* out) {
  struct statx stx {};
  const std::string sys_path = Sys(path);
  if (ResultOf(::statx(AT_FDCWD, sys_path.c_str(), 0, STATX_BTIME | STATX_MTIME, &stx)) ==
      SysResult::kOk) {
    const struct statx_timestamp& t = (stx.stx_mask & STATX_BTIME) ? stx.stx_btime
                                                                   : stx.stx_mtime;
    *out = ToLocalTime(static_cast<time_t>(t.tv_sec), t.tv_nsec);
    return true;
  }
  struct stat st {};  // a kernel without statx
  if (!StatPath(path, &st)) return false;
  *out = ToLocalTime(st.st_mtim.tv_sec, st.st_mtim.tv_nsec);
  return true;
}

bool PosixPlatform::SameFile(const std::string& a, const std::string& b) {
  struct stat sa {}, sb {};
  return StatPath(a, &sa) && StatPath(b, &sb) && sa.st_dev == sb.st_dev &&
         sa.st_ino == sb.st_ino;
}

std::string PrettyNameFromOsRelease(const std::string& os_release) {
  std::istringstream lines(os_release);
  std::string line;
  static const std::string kKey = "PRETTY_NAME=";
  while (std::getline(lines, line)) {
    if (line.compare(0, kKey.size(), kKey) != 0) continue;
    std::string value = line.substr(kKey.size());
    while (!value.empty() && (value.back() == '\r' || value.back() == ' ')) value.pop_back();
    char quote = 0;
    if (value.size() >= 2 && (value[0] == '"' || value[0] == '\'') &&
        value.back() == value[0]) {
      quote = value[0];
      value = value.substr(1, value.size() - 2);
    }
    if (quote == '\'') return value;  // single quotes keep everything as it is
    std::string unescaped;
    for (size_t i = 0; i < value.size(); ++i) {
      if (value[i] == '\\' && i + 1 < value.size()) ++i;
      unescaped += value[i];
    }
    return unescaped;
  }
  return "Linux";
}

bool PosixPlatform::OsName(std::string* out) {
  struct utsname uts {};
  if (::uname(&uts) != 0) return false;
  std::string os_release;
  if (!ReadWholeFile(*this, "/etc/os-release", kOsReleaseMaxBytes, &os_release) ||
      os_release.empty()) {
    os_release.clear();
    ReadWholeFile(*this, "/usr/lib/os-release", kOsReleaseMaxBytes, &os_release);
  }
  *out = FromSys(PrettyNameFromOsRelease(os_release) + " " + uts.release);
  return true;
}

std::string PosixPlatform::ComputerName() {
  char name[256] = {};
  if (::gethostname(name, sizeof(name) - 1) != 0) return std::string();
  return FromSys(name);
}

bool PosixPlatform::WorkingFolder(std::string* out) {
  std::error_code error;
  const std::filesystem::path folder = std::filesystem::current_path(error);
  return !error && Utf8ToCp932Exact(folder.string(), out);
}

std::string PosixPlatform::TempFolder() {
  std::string folder = EnvValue("TMPDIR");
  if (folder.empty()) folder = "/tmp";
  if (folder.back() != '/') folder += '/';
  return FromSys(folder);
}

namespace {

// $variable when it holds an absolute path, else $HOME/ + fallback; "" when neither.
std::string XdgFolder(const char* variable, const char* fallback) {
  std::string folder = EnvValue(variable);
  if (folder.empty() || folder[0] != '/') {  // a relative value is to be ignored
    const std::string home = EnvValue("HOME");
    if (home.empty()) return std::string();
    folder = home + "/" + fallback;
  }
  while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
  return FromSys(folder);
}

}  // namespace

std::string PosixPlatform::AppDataFolder() { return XdgFolder("XDG_CONFIG_HOME", ".config"); }

std::string PosixPlatform::CacheFolder() { return XdgFolder("XDG_CACHE_HOME", ".cache"); }

}  // namespace veldra::platform
