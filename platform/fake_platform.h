// An in-memory platform for tests: files and folders in memory, a clock that moves only
// when told, settable system names and folders, and switches that make writes, opens and
// folder reads fail on demand.
//
//   FakePlatform fake;
//   ScopedPlatform use(&fake);      // Platform::Current() is now the fake
//   fake.SetNow({2024, 5, 6, 7, 8, 9, 10});
//   fake.WriteFileBytes("/data/a.pdf", "%PDF-1.4");
//   fake.FailWriteAfter(3);         // the third WriteAt from now fails
//   fake.HoldLockElsewhere("/data/cat.vdc");  // as if another process had it open
//
// Paths are CP932 byte strings with "/" as the separator; repeated and trailing "/" are
// ignored. The root "/", the temporary folder "/tmp" and the application-data folder
// "/home/user/.config" exist from the start. A file can be created only in an existing
// folder (WriteFileBytes and AddFolder make missing parents; Open and MakeDirectory do not).
#pragma once

#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace veldra::platform {

struct FakeNode;
struct FakeState;

class FakePlatform : public Platform {
 public:
  FakePlatform();
  ~FakePlatform() override;
  FakePlatform(const FakePlatform&) = delete;
  FakePlatform& operator=(const FakePlatform&) = delete;

  // --- The clock. Now() returns the set time; it never moves on its own.
  void SetNow(const LocalTime& now);
  void AdvanceMs(int64_t milliseconds);  // carries into seconds, days, months and years

  // --- System names and folders.
  void SetOsName(const std::string& name);  // the default is a Debian name
  void SetOsNameFails(bool fails);          // OsName() returns false
  void SetComputerName(const std::string& name);
  void SetTempFolder(const std::string& folder);  // kept as given (end it with "/")
  void SetAppDataFolder(const std::string& folder);
  void SetCacheFolder(const std::string& folder);
  void SetWorkingFolder(const std::string& folder);  // "" : it cannot be told

  // --- Direct access for tests.
  // Creates or replaces the file (its folders too); a new file's creation time is Now().
  void WriteFileBytes(const std::string& path, const std::string& bytes);
  // The file's bytes, or "" when there is no such file.
  std::string ReadFileBytes(const std::string& path) const;
  // Creates the folder and any missing parents.
  void AddFolder(const std::string& path);
  // false when there is no such file or folder.
  bool SetCreationTime(const std::string& path, const LocalTime& created);
  // An item that ListDirectory shows but no path reaches, as the real platform lists a
  // name holding a character CP932 cannot represent (with "?" in its place). Its folder
  // must exist.
  void AddUnreachableItem(const std::string& path, bool is_directory);
  // A pipe or a device at path (its folder must exist): listed as a file and FileExists,
  // but KindOf tells kOther and Open refuses it, counting the attempt (a real one could
  // wait for ever).
  void AddSpecialFile(const std::string& path);
  int SpecialOpenCount() const { return special_opens_; }
  // The paths of all files, in byte order.
  std::vector<std::string> FilePaths() const;

  // --- Locks. Locks taken through TryLockFile exclude each other as those of different
  // processes do. Sleep moves the clock and counts what was slept.
  // Takes the lock of the file at path as another process would; with release_after_ms
  // >= 0 that process lets it go once Sleep has waited that long from now. false when
  // there is no such file or its lock is taken already.
  bool HoldLockElsewhere(const std::string& path, int64_t release_after_ms = -1);
  void ReleaseLockElsewhere(const std::string& path);
  // True when anyone (this program or the other process) holds the lock of path.
  bool IsLocked(const std::string& path) const;
  // TryLockFile fails (kFailed) as on a file system without locks, until cleared.
  void SetLocksFail(bool fail);
  int64_t SleptMs() const;

  // --- Faults.
  // The n-th WriteAt from now (1: the next one) fails and writes nothing, with LastFailure
  // kNoSpace as on a full device (SetWriteFailureCause tells another). Writes after it
  // succeed again, unless sticky: then every later WriteAt and Truncate fails too, as if
  // the program had stopped at that write. n <= 0 clears the switch.
  void FailWriteAfter(int n, bool sticky = false);
  // As FailWriteAfter, but the failing write still stores its first prefix_bytes bytes
  // (a torn write, as a crash in the middle of it would leave).
  void TearWriteAfter(int n, size_t prefix_bytes, bool sticky = false);
  void ClearWriteFailure();
  // Crash mode: from now on every file remembers its bytes as of its last File::Sync (those
  // it holds now count as synced; a file created later starts with none), and Crash() drops
  // whatever was written since, as a power loss would. Writes through WriteFileBytes count
  // as synced. A rename is kept by a crash once SyncFolder has synced the folder it renamed
  // into; creating and removing files is kept by a crash.
  void StartCrashMode();
  // Every file goes back to the bytes of its last Sync, and every rename not yet synced by
  // SyncFolder is undone, latest first (nothing happens outside crash mode). Crash mode stays
  // on; open handles see the bytes kept. Clears the write-failure switch, as a restarted
  // program would.
  void Crash();
  // SyncFolder fails (false) until cleared; it keeps counting.
  void SetFolderSyncFails(bool fails);
  void SetWriteFailureCause(Failure cause);
  // Every Open of path fails (LastFailure kDenied) until cleared.
  void FailOpen(const std::string& path);
  void ClearFailOpen(const std::string& path);
  // ListDirectory of path fails (an unreadable folder, LastFailure kDenied) until cleared.
  void FailListDirectory(const std::string& path);
  void ClearFailListDirectory(const std::string& path);

  // --- Counters since construction or ResetCounters().
  int WriteCount() const;        // WriteAt calls on writable files, failed ones included
  int FailedWriteCount() const;
  int64_t BytesWritten() const;  // bytes that reached files (torn prefixes included)
  int64_t BytesRead() const;     // bytes that reads of open files handed out
  int OpenCount() const;         // successful opens
  int SyncCount() const;         // File::Sync calls, failed ones included
  // SyncFolder calls of each folder (normalized: "/a/b"), failed ones included.
  int FolderSyncCount(const std::string& folder) const;
  void ResetCounters();

  // --- Platform.
  LocalTime Now() override;
  LockResult TryLockFile(const std::string& path, std::unique_ptr<FileLock>* lock) override;
  void Sleep(int milliseconds) override;
  std::unique_ptr<File> Open(const std::string& path, OpenMode mode) override;
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

 private:
  bool ParentExists(const std::string& normalized) const;
  std::shared_ptr<FakeNode> CreateNode(const std::string& normalized);

  std::shared_ptr<FakeState> state_;
  std::map<std::string, std::shared_ptr<FakeNode>> files_;
  // Crash mode: the renames a crash would undo, oldest first.
  struct UnsyncedRename {
    std::string from;
    std::string to;
    std::shared_ptr<FakeNode> node;
    std::shared_ptr<FakeNode> replaced;  // what was at to, or null
  };
  std::vector<UnsyncedRename> unsynced_renames_;
  std::map<std::string, int> folder_syncs_;
  bool folder_sync_fails_ = false;
  std::map<std::string, LocalTime> folders_;  // folder -> creation time
  std::set<std::string> failing_opens_;
  std::set<std::string> failing_lists_;
  std::map<std::string, bool> unreachable_;  // path -> is a folder
  struct ElsewhereLock {
    std::unique_ptr<FileLock> lock;
    int64_t release_at_ms;  // of slept time; -1: never
  };
  std::map<std::string, ElsewhereLock> elsewhere_locks_;
  bool locks_fail_ = false;
  std::set<std::string> special_files_;
  int special_opens_ = 0;
  std::string os_name_ = "Debian GNU/Linux 12 (bookworm) 6.1.0-18-amd64";
  bool os_name_fails_ = false;
  std::string computer_name_ = "FAKEHOST";
  std::string temp_folder_ = "/tmp/";
  std::string app_data_folder_ = "/home/user/.config";
  std::string cache_folder_ = "/home/user/.cache";
  std::string working_folder_ = "/";
};

// Adds milliseconds (possibly negative) to a local time, carrying through the calendar.
LocalTime AddMilliseconds(const LocalTime& time, int64_t milliseconds);

}  // namespace veldra::platform
