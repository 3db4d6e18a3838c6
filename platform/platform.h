// The operating-system services VELDRA uses, behind one interface.
//
// Every path handed to this interface is a CP932 byte string with "/" as the separator;
// the real implementation converts it to UTF-8 at the system call. Failures are reported
// by return values only: nothing here throws or shows a window.
//
// Platform::Current() is the implementation in use. It is the real one unless a test has
// installed another with ScopedPlatform (see fake_platform.h).
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace veldra::platform {

// A moment of local time, to the millisecond.
struct LocalTime {
  int year = 0;
  int month = 0;        // 1..12
  int day = 0;          // 1..31
  int hour = 0;         // 0..23
  int minute = 0;       // 0..59
  int second = 0;       // 0..59
  int millisecond = 0;  // 0..999
};

// One piece of a scattered read: size bytes go to data.
struct ReadSlice {
  void* data = nullptr;
  size_t size = 0;
};

// An open file. Offsets are absolute bytes from the start of the file.
class File {
 public:
  virtual ~File() = default;

  // Reads up to n bytes at offset into buf. Returns the number of bytes read, which is less
  // than n only at the end of the file, or -1 when the read failed.
  virtual int64_t ReadAt(int64_t offset, void* buf, size_t n) = 0;

  // Reads the file's bytes from offset on into the slices in turn, as if they were one
  // buffer: one request for bytes that belong in different places (a chunk's header and
  // its data). Returns the bytes read, less than the slices' total only at the end of the
  // file, or -1 when the read failed. The default reads each slice with ReadAt.
  virtual int64_t ReadAtScattered(int64_t offset, const ReadSlice* slices, size_t count);

  // Writes n bytes at offset, extending the file when offset + n lies past its end.
  // Returns true only when every byte was written. A false return may leave part of the
  // bytes written.
  virtual bool WriteAt(int64_t offset, const void* buf, size_t n) = 0;

  // The file's length in bytes, or -1 when it cannot be told.
  virtual int64_t Size() = 0;

  // Cuts the file (or extends it with zeros) to length bytes. false on failure.
  virtual bool Truncate(int64_t length) = 0;

  // Waits until every byte written to the file so far is on the storage device, so that a
  // crash or power loss afterwards cannot lose it. false when that cannot be confirmed.
  virtual bool Sync() = 0;
};

enum class OpenMode {
  kRead,       // an existing file, for reading only
  kReadWrite,  // an existing file, for reading and writing; not truncated
  kCreate,     // create the file, or truncate an existing one; reading and writing ("w+b")
  kCreateNew,  // create the file for reading and writing; fails when it exists already
  kCreatePrivate,  // as kCreateNew, readable and writable by the owner only; fails when
                   // anything is at path, a symbolic link (even a dangling one) included,
                   // so a name planted in a shared folder is never followed
};

// An advisory lock on a file, held through a descriptor of its own. Destroying the object
// releases it, and so does the end of the process however it ends (a crash, a kill): a
// lock is never left behind by a holder that is gone.
class FileLock {
 public:
  virtual ~FileLock() = default;
};

enum class LockResult {
  kLocked,         // the lock is ours
  kHeldElsewhere,  // another holder has it: another process, or another FileLock
  kFailed,         // the file cannot be opened (it does not exist, or is no regular file:
                   // LastFailure kNotRegularFile, never waited for), or it takes no locks
};

// How often Platform::LockFile asks again while it waits.
constexpr int kLockPollMs = 100;

// Why a call of this interface failed, as the system told it (errno on Linux).
enum class Failure {
  kNone,
  kNotFound,        // no such file or folder
  kDenied,          // no permission, or a read-only file system
  kNoSpace,         // the device, or the user's quota on it, is full
  kTooLarge,        // the file would grow past what the file system allows
  kNotRegularFile,  // a folder, a pipe or a device where a file was wanted
  kIoError,         // the device reported an error
  kOther,
};

// The cause of the most recent failed call of a Platform or File on this thread, as errno
// is: a call that fails sets it, one that succeeds leaves it alone. Clear it with kNone
// before a sequence of calls whose first failure is to be told.
Failure LastFailure();
void SetLastFailure(Failure failure);

// What a path names.
enum class FileKind {
  kMissing,      // nothing (or nothing that can be reached)
  kRegularFile,
  kDirectory,
  kOther,        // a pipe, a device or a socket: never to be opened as a document
};

// One item of a folder.
struct DirItem {
  std::string name;       // CP932, without the folder
  bool is_directory = false;
  bool hidden = false;    // a name starting with "." is hidden
};

class Platform {
 public:
  virtual ~Platform() = default;

  // The implementation in use (the real one unless a test installed another).
  static Platform& Current();
  // The real implementation, whatever is installed.
  static Platform& Real();

  // The current local time.
  virtual LocalTime Now() = 0;

  // Opens path in mode. Returns nullptr when the file cannot be opened or created
  // (kCreateNew: also when it exists). Only regular files are opened, in every mode (a
  // folder, a pipe, a socket or a device: nullptr, LastFailure kNotRegularFile), and opening
  // never waits for a writer at the other end of a pipe.
  virtual std::unique_ptr<File> Open(const std::string& path, OpenMode mode) = 0;

  // Takes the exclusive lock of the file at path without waiting; *lock holds it on kLocked
  // and is empty otherwise. The lock is advisory: it keeps out other lockers, never reads
  // or writes. Two locks of one file exclude each other also within one process.
  virtual LockResult TryLockFile(const std::string& path, std::unique_ptr<FileLock>* lock) = 0;

  // TryLockFile, and while the lock is held elsewhere, again every kLockPollMs until
  // wait_ms have passed (wait_ms <= 0: once). kHeldElsewhere when it was never free.
  LockResult LockFile(const std::string& path, int64_t wait_ms,
                      std::unique_ptr<FileLock>* lock);

  // Waits for milliseconds.
  virtual void Sleep(int milliseconds) = 0;

  // True when a file (not a folder) at path can be opened for reading.
  virtual bool FileExists(const std::string& path) = 0;

  // Deletes the file at path. false when it could not be deleted (or does not exist).
  virtual bool Remove(const std::string& path) = 0;

  // Renames from to to, replacing a file at to atomically. false on failure.
  virtual bool Rename(const std::string& from, const std::string& to) = 0;

  // Waits until the folder's names (a file created, renamed or removed in it) are on the
  // storage device, so that a crash or power loss afterwards cannot undo a rename into it.
  // "" is the working folder. false when that cannot be confirmed; true where the file
  // system keeps no separate record of a folder to wait for.
  virtual bool SyncFolder(const std::string& folder) = 0;

  // Renames from to to only when nothing is at to, a symbolic link (even a dangling one)
  // included; the check and the rename are one step. false (from left as it was) when to is
  // taken or the rename fails. The default checks with NameTaken and then calls Rename.
  virtual bool RenameNoReplace(const std::string& from, const std::string& to);

  // True when anything is at path: a file, a folder, a pipe, or a symbolic link, which is
  // not followed (a dangling one counts). The default asks FileExists and IsDirectory.
  virtual bool NameTaken(const std::string& path);

  // Creates the folder. True when it was created or already exists as a folder.
  virtual bool MakeDirectory(const std::string& path) = 0;

  // True when path names an existing folder.
  virtual bool IsDirectory(const std::string& path) = 0;

  // What path names, links followed, without opening it. The default asks IsDirectory and
  // FileExists, so it cannot tell a pipe from a file.
  virtual FileKind KindOf(const std::string& path);

  // The items of folder path, without "." and "..", sorted by the bytes of their names.
  // false (items unchanged) when the folder cannot be read.
  virtual bool ListDirectory(const std::string& path, std::vector<DirItem>* items) = 0;

  // The file's creation time in local time (its modification time where the file system
  // keeps no creation time). false when the file is not found.
  virtual bool FileCreationTime(const std::string& path, LocalTime* out) = 0;

  // True when both paths name the same existing file (whatever their spelling).
  virtual bool SameFile(const std::string& a, const std::string& b) = 0;

  // The operating system's name: PRETTY_NAME of /etc/os-release, a blank, the kernel
  // release. false when it cannot be told.
  virtual bool OsName(std::string* out) = 0;

  // The computer's network name, or "" when it cannot be told.
  virtual std::string ComputerName() = 0;

  // The folder for temporary files, ending with "/": $TMPDIR, else /tmp.
  virtual std::string TempFolder() = 0;

  // The per-user application-data folder: $XDG_CONFIG_HOME, else ~/.config; "" when
  // neither can be told. No trailing "/".
  virtual std::string AppDataFolder() = 0;

  // The per-user cache folder: $XDG_CACHE_HOME, else ~/.cache; "" when neither can be
  // told (the default). No trailing "/". What is kept there can always be made again.
  virtual std::string CacheFolder() { return std::string(); }

  // The folder the program was started in (or last moved to), as an absolute path. false
  // when it cannot be told or its name holds a character CP932 cannot represent.
  virtual bool WorkingFolder(std::string* out) = 0;

  // path as a file dialog would give it: an absolute path as it stands; a relative one
  // joined to the working folder, with "." and ".." worked out. false (out untouched) when
  // path is relative and the working folder cannot be told.
  bool MakeAbsolute(const std::string& path, std::string* out);
};

// Installs a platform for the lifetime of this object (tests only); restores the previous
// one on destruction.
class ScopedPlatform {
 public:
  explicit ScopedPlatform(Platform* platform);
  ~ScopedPlatform();
  ScopedPlatform(const ScopedPlatform&) = delete;
  ScopedPlatform& operator=(const ScopedPlatform&) = delete;

 private:
  Platform* previous_;
};

}  // namespace veldra::platform
