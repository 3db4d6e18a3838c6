#include "platform/fake_platform.h"

#include <algorithm>
#include <chrono>

#include "platform/fake_state.h"

namespace veldra::platform {
namespace {

// "/a//b/" -> "/a/b"; the root stays "/".
std::string Normalize(const std::string& path) {
  std::string out;
  for (char c : path) {
    if (c == '/' && !out.empty() && out.back() == '/') continue;
    out += c;
  }
  if (out.size() > 1 && out.back() == '/') out.pop_back();
  return out;
}

// The folder holding a normalized path: "/a/b" -> "/a", "/a" -> "/", "a" -> "".
std::string ParentOf(const std::string& normalized) {
  const size_t slash = normalized.rfind('/');
  if (slash == std::string::npos) return std::string();
  if (slash == 0) return normalized == "/" ? std::string() : std::string("/");
  return normalized.substr(0, slash);
}

std::string NameOf(const std::string& normalized) {
  const size_t slash = normalized.rfind('/');
  return slash == std::string::npos ? normalized : normalized.substr(slash + 1);
}

// A lock of the fake platform: its file's place in the shared set of locked files.
class FakeFileLock : public FileLock {
 public:
  FakeFileLock(std::shared_ptr<FakeState> state, std::shared_ptr<FakeNode> node)
      : state_(std::move(state)), node_(std::move(node)) {
    state_->locked_nodes.insert(node_.get());
  }
  ~FakeFileLock() override { state_->locked_nodes.erase(node_.get()); }

 private:
  std::shared_ptr<FakeState> state_;
  std::shared_ptr<FakeNode> node_;
};

}  // namespace

LocalTime AddMilliseconds(const LocalTime& time, int64_t milliseconds) {
  using namespace std::chrono;
  const sys_days date = year_month_day{year{time.year}, month{static_cast<unsigned>(time.month)},
                                       day{static_cast<unsigned>(time.day)}};
  const int64_t ms_of_day =
      ((time.hour * 60LL + time.minute) * 60LL + time.second) * 1000LL + time.millisecond;
  const int64_t total = duration_cast<std::chrono::milliseconds>(date.time_since_epoch()).count() +
                        ms_of_day + milliseconds;
  const auto whole_days = floor<days>(std::chrono::milliseconds(total));
  const year_month_day ymd{sys_days{whole_days}};
  int64_t rest = total - duration_cast<std::chrono::milliseconds>(whole_days).count();
  LocalTime out;
  out.year = static_cast<int>(ymd.year());
  out.month = static_cast<int>(static_cast<unsigned>(ymd.month()));
  out.day = static_cast<int>(static_cast<unsigned>(ymd.day()));
  out.millisecond = static_cast<int>(rest % 1000);
  rest /= 1000;
  out.second = static_cast<int>(rest % 60);
  rest /= 60;
  out.minute = static_cast<int>(rest % 60);
  out.hour = static_cast<int>(rest / 60);
  return out;
}

FakePlatform::FakePlatform() : state_(std::make_shared<FakeState>()) {
  state_->now = LocalTime{2024, 1, 2, 3, 4, 5, 6};
  AddFolder("/");
  AddFolder("/tmp");
  AddFolder(app_data_folder_);
}

FakePlatform::~FakePlatform() = default;

void FakePlatform::SetNow(const LocalTime& now) { state_->now = now; }

void FakePlatform::AdvanceMs(int64_t milliseconds) {
  state_->now = AddMilliseconds(state_->now, milliseconds);
}

void FakePlatform::SetOsName(const std::string& name) { os_name_ = name; }
void FakePlatform::SetOsNameFails(bool fails) { os_name_fails_ = fails; }
void FakePlatform::SetComputerName(const std::string& name) { computer_name_ = name; }
void FakePlatform::SetTempFolder(const std::string& folder) { temp_folder_ = folder; }
void FakePlatform::SetAppDataFolder(const std::string& folder) { app_data_folder_ = folder; }
void FakePlatform::SetCacheFolder(const std::string& folder) { cache_folder_ = folder; }
void FakePlatform::SetWorkingFolder(const std::string& folder) { working_folder_ = folder; }

std::shared_ptr<FakeNode> FakePlatform::CreateNode(const std::string& normalized) {
  auto node = std::make_shared<FakeNode>();
  node->created = state_->now;
  files_[normalized] = node;
  return node;
}

void FakePlatform::WriteFileBytes(const std::string& path, const std::string& bytes) {
  const std::string key = Normalize(path);
  const std::string parent = ParentOf(key);
  if (!parent.empty()) AddFolder(parent);
  auto it = files_.find(key);
  std::shared_ptr<FakeNode> node = it != files_.end() ? it->second : CreateNode(key);
  node->bytes = bytes;
  node->synced = bytes;
}

std::string FakePlatform::ReadFileBytes(const std::string& path) const {
  auto it = files_.find(Normalize(path));
  return it == files_.end() ? std::string() : it->second->bytes;
}

void FakePlatform::AddUnreachableItem(const std::string& path, bool is_directory) {
  unreachable_[Normalize(path)] = is_directory;
}

void FakePlatform::AddFolder(const std::string& path) {
  const std::string key = Normalize(path);
  if (key.empty() || folders_.count(key) != 0) return;
  const std::string parent = ParentOf(key);
  if (!parent.empty()) AddFolder(parent);
  folders_[key] = state_->now;
}

bool FakePlatform::SetCreationTime(const std::string& path, const LocalTime& created) {
  const std::string key = Normalize(path);
  if (auto it = files_.find(key); it != files_.end()) {
    it->second->created = created;
    return true;
  }
  if (auto it = folders_.find(key); it != folders_.end()) {
    it->second = created;
    return true;
  }
  return false;
}

std::vector<std::string> FakePlatform::FilePaths() const {
  std::vector<std::string> paths;
  for (const auto& [path, node] : files_) paths.push_back(path);
  return paths;
}

void FakePlatform::FailWriteAfter(int n, bool sticky) { TearWriteAfter(n, 0, sticky); }

void FakePlatform::TearWriteAfter(int n, size_t prefix_bytes, bool sticky) {
  state_->write_countdown = std::max(n, 0);
  state_->torn_prefix = prefix_bytes;
  state_->sticky = sticky;
  state_->writes_dead = false;
}

void FakePlatform::ClearWriteFailure() { TearWriteAfter(0, 0, false); }

void FakePlatform::AddSpecialFile(const std::string& path) {
  special_files_.insert(Normalize(path));
}

void FakePlatform::SetWriteFailureCause(Failure cause) { state_->write_failure = cause; }

void FakePlatform::FailOpen(const std::string& path) { failing_opens_.insert(Normalize(path)); }
void FakePlatform::ClearFailOpen(const std::string& path) {
  failing_opens_.erase(Normalize(path));
}
void FakePlatform::FailListDirectory(const std::string& path) {
  failing_lists_.insert(Normalize(path));
}
void FakePlatform::ClearFailListDirectory(const std::string& path) {
  failing_lists_.erase(Normalize(path));
}

int FakePlatform::WriteCount() const { return state_->write_calls; }
int FakePlatform::FailedWriteCount() const { return state_->failed_writes; }
int64_t FakePlatform::BytesWritten() const { return state_->bytes_written; }
int64_t FakePlatform::BytesRead() const { return state_->bytes_read; }
int FakePlatform::OpenCount() const { return state_->open_calls; }
int FakePlatform::SyncCount() const { return state_->sync_calls; }

int FakePlatform::FolderSyncCount(const std::string& folder) const {
  auto it = folder_syncs_.find(Normalize(folder));
  return it == folder_syncs_.end() ? 0 : it->second;
}

void FakePlatform::SetFolderSyncFails(bool fails) { folder_sync_fails_ = fails; }

void FakePlatform::StartCrashMode() {
  state_->crash_mode = true;
  for (auto& [path, node] : files_) node->synced = node->bytes;
}

void FakePlatform::Crash() {
  if (!state_->crash_mode) return;  // nothing was remembered to go back to
  for (auto it = unsynced_renames_.rbegin(); it != unsynced_renames_.rend(); ++it) {
    if (it->replaced) {
      files_[it->to] = it->replaced;
    } else {
      files_.erase(it->to);
    }
    files_[it->from] = it->node;
  }
  unsynced_renames_.clear();
  for (auto& [path, node] : files_) node->bytes = node->synced;
  ClearWriteFailure();
}

void FakePlatform::ResetCounters() {
  state_->write_calls = 0;
  state_->failed_writes = 0;
  state_->bytes_written = 0;
  state_->bytes_read = 0;
  state_->open_calls = 0;
  state_->sync_calls = 0;
}

LocalTime FakePlatform::Now() { return state_->now; }

LockResult FakePlatform::TryLockFile(const std::string& path, std::unique_ptr<FileLock>* lock) {
  lock->reset();
  auto it = files_.find(Normalize(path));
  if (special_files_.count(Normalize(path)) != 0 || folders_.count(Normalize(path)) != 0) {
    SetLastFailure(Failure::kNotRegularFile);
    return LockResult::kFailed;
  }
  if (locks_fail_ || it == files_.end() || failing_opens_.count(it->first) != 0) {
    return LockResult::kFailed;
  }
  if (state_->locked_nodes.count(it->second.get()) != 0) return LockResult::kHeldElsewhere;
  *lock = std::make_unique<FakeFileLock>(state_, it->second);
  return LockResult::kLocked;
}

void FakePlatform::Sleep(int milliseconds) {
  if (milliseconds <= 0) return;
  AdvanceMs(milliseconds);
  state_->slept_ms += milliseconds;
  for (auto it = elsewhere_locks_.begin(); it != elsewhere_locks_.end();) {
    const int64_t due = it->second.release_at_ms;
    it = due >= 0 && state_->slept_ms >= due ? elsewhere_locks_.erase(it) : std::next(it);
  }
}

bool FakePlatform::HoldLockElsewhere(const std::string& path, int64_t release_after_ms) {
  std::unique_ptr<FileLock> lock;
  if (TryLockFile(path, &lock) != LockResult::kLocked) return false;
  const int64_t due = release_after_ms < 0 ? -1 : state_->slept_ms + release_after_ms;
  elsewhere_locks_[Normalize(path)] = ElsewhereLock{std::move(lock), due};
  return true;
}

void FakePlatform::ReleaseLockElsewhere(const std::string& path) {
  elsewhere_locks_.erase(Normalize(path));
}

bool FakePlatform::IsLocked(const std::string& path) const {
  auto it = files_.find(Normalize(path));
  return it != files_.end() && state_->locked_nodes.count(it->second.get()) != 0;
}

void FakePlatform::SetLocksFail(bool fail) { locks_fail_ = fail; }

int64_t FakePlatform::SleptMs() const { return state_->slept_ms; }

bool FakePlatform::ParentExists(const std::string& normalized) const {
  const std::string parent = ParentOf(normalized);
  return parent.empty() || folders_.count(parent) != 0;
}

std::unique_ptr<File> FakePlatform::Open(const std::string& path, OpenMode mode) {
  const std::string key = Normalize(path);
  if (key.empty() || failing_opens_.count(key) != 0) {
    SetLastFailure(Failure::kDenied);
    return nullptr;
  }
  if (folders_.count(key) != 0 || special_files_.count(key) != 0) {
    special_opens_ += special_files_.count(key) != 0 ? 1 : 0;
    SetLastFailure(Failure::kNotRegularFile);
    return nullptr;
  }
  auto it = files_.find(key);
  std::shared_ptr<FakeNode> node = it != files_.end() ? it->second : nullptr;
  switch (mode) {
    case OpenMode::kRead:
    case OpenMode::kReadWrite:
      if (!node) {
        SetLastFailure(Failure::kNotFound);
        return nullptr;
      }
      break;
    case OpenMode::kCreate:
      if (node) {
        node->bytes.clear();  // truncated; the creation time stays
        break;
      }
      [[fallthrough]];
    case OpenMode::kCreateNew:
    case OpenMode::kCreatePrivate:
      if (node || !ParentExists(key)) {
        SetLastFailure(node ? Failure::kOther : Failure::kNotFound);
        return nullptr;
      }
      node = CreateNode(key);
      break;
  }
  ++state_->open_calls;
  return std::make_unique<FakeFile>(state_, node, mode != OpenMode::kRead);
}

bool FakePlatform::FileExists(const std::string& path) {
  return files_.count(Normalize(path)) != 0 || special_files_.count(Normalize(path)) != 0;
}

bool FakePlatform::Remove(const std::string& path) { return files_.erase(Normalize(path)) != 0; }

bool FakePlatform::Rename(const std::string& from, const std::string& to) {
  const std::string source = Normalize(from);
  const std::string target = Normalize(to);
  auto it = files_.find(source);
  if (it == files_.end() || folders_.count(target) != 0 || !ParentExists(target)) return false;
  if (source == target) return true;
  std::shared_ptr<FakeNode> node = it->second;
  files_.erase(it);
  if (state_->crash_mode) {
    auto replaced = files_.find(target);
    unsynced_renames_.push_back(
        {source, target, node, replaced == files_.end() ? nullptr : replaced->second});
  }
  files_[target] = node;
  return true;
}

bool FakePlatform::SyncFolder(const std::string& folder) {
  const std::string key = folder.empty() ? Normalize(working_folder_) : Normalize(folder);
  ++folder_syncs_[key];
  if (folder_sync_fails_ || folders_.count(key) == 0) {
    SetLastFailure(folder_sync_fails_ ? Failure::kIoError : Failure::kNotFound);
    return false;
  }
  std::erase_if(unsynced_renames_, [&](const UnsyncedRename& r) { return ParentOf(r.to) == key; });
  return true;
}

bool FakePlatform::RenameNoReplace(const std::string& from, const std::string& to) {
  if (NameTaken(to)) {
    SetLastFailure(Failure::kOther);
    return false;
  }
  return Rename(from, to);
}

bool FakePlatform::NameTaken(const std::string& path) {
  const std::string key = Normalize(path);
  return files_.count(key) != 0 || folders_.count(key) != 0 || special_files_.count(key) != 0;
}

bool FakePlatform::MakeDirectory(const std::string& path) {
  const std::string key = Normalize(path);
  if (key.empty() || files_.count(key) != 0) return false;
  if (folders_.count(key) != 0) return true;
  if (!ParentExists(key)) return false;
  folders_[key] = state_->now;
  return true;
}

bool FakePlatform::IsDirectory(const std::string& path) {
  return folders_.count(Normalize(path)) != 0;
}

FileKind FakePlatform::KindOf(const std::string& path) {
  const std::string key = Normalize(path);
  if (folders_.count(key) != 0) return FileKind::kDirectory;
  if (files_.count(key) != 0) return FileKind::kRegularFile;
  return special_files_.count(key) != 0 ? FileKind::kOther : FileKind::kMissing;
}

bool FakePlatform::ListDirectory(const std::string& path, std::vector<DirItem>* items) {
  const std::string key = Normalize(path);
  if (folders_.count(key) == 0 || failing_lists_.count(key) != 0) {
    SetLastFailure(folders_.count(key) == 0 ? Failure::kNotFound : Failure::kDenied);
    return false;
  }
  std::vector<DirItem> found;
  auto add_children = [&](const auto& table, bool is_directory) {
    for (const auto& entry : table) {
      const std::string& child = entry.first;
      if (child == key || ParentOf(child) != key) continue;
      DirItem item;
      item.name = NameOf(child);
      item.is_directory = is_directory;
      item.hidden = !item.name.empty() && item.name[0] == '.';
      found.push_back(std::move(item));
    }
  };
  add_children(files_, false);
  add_children(folders_, true);
  for (const std::string& child : special_files_) {
    if (ParentOf(child) != key) continue;
    DirItem item;
    item.name = NameOf(child);
    item.hidden = !item.name.empty() && item.name[0] == '.';
    found.push_back(std::move(item));
  }
  for (const auto& [child, is_directory] : unreachable_) {
    if (ParentOf(child) != key) continue;
    DirItem item;
    item.name = NameOf(child);
    item.is_directory = is_directory;
    item.hidden = !item.name.empty() && item.name[0] == '.';
    found.push_back(std::move(item));
  }
  std::sort(found.begin(), found.end(),
            [](const DirItem& a, const DirItem& b) { return a.name < b.name; });
  *items = std::move(found);
  return true;
}

bool FakePlatform::FileCreationTime(const std::string& path, LocalTime* out) {
  const std::string key = Normalize(path);
  if (auto it = files_.find(key); it != files_.end()) {
    *out = it->second->created;
    return true;
  }
  if (auto it = folders_.find(key); it != folders_.end()) {
    *out = it->second;
    return true;
  }
  return false;
}

bool FakePlatform::SameFile(const std::string& a, const std::string& b) {
  const std::string ka = Normalize(a);
  return ka == Normalize(b) && (files_.count(ka) != 0 || folders_.count(ka) != 0);
}

bool FakePlatform::OsName(std::string* out) {
  if (os_name_fails_) return false;
  *out = os_name_;
  return true;
}

std::string FakePlatform::ComputerName() { return computer_name_; }
std::string FakePlatform::TempFolder() { return temp_folder_; }
std::string FakePlatform::AppDataFolder() { return app_data_folder_; }
std::string FakePlatform::CacheFolder() { return cache_folder_; }

bool FakePlatform::WorkingFolder(std::string* out) {
  if (working_folder_.empty()) return false;
  *out = working_folder_;
  return true;
}

}  // namespace veldra::platform
