// IndexStore: opening the file, its schema, setting a broken file aside, and the wording of
// problems. The rows are read and written in index_store_rows.cpp.
#include "search/index_store.h"

#include <sqlite3.h>

#include <cerrno>
#include <cstdio>

#include "platform/cache_folder.h"
#include "platform/codepage.h"
#include "platform/platform.h"
#include "search/fts5_functions.h"
#include "search/index_store_statements.h"

namespace veldra::search {
namespace {

constexpr int kBusyTimeoutMs = 5000;
constexpr int kWalRetryMs = 10;

// Pages of text are rows of a few kilobytes: pages of 16 KiB hold several each and take 1.1
// times the text; pages of 4 KiB hold one and took 1.9 times (a WITHOUT ROWID table, which
// keeps little of a row in place, 2.3 times).
constexpr const char* kNewFilePragmas = "PRAGMA page_size=16384;";

constexpr const char* kSchema = R"sql(
CREATE TABLE pdf(id INTEGER PRIMARY KEY AUTOINCREMENT, digest BLOB NOT NULL UNIQUE,
                 state INTEGER NOT NULL, failure TEXT,
                 pages INTEGER, tokens INTEGER, truncated INTEGER, extractor TEXT,
                 indexed_at INTEGER, page_starts BLOB);
CREATE TABLE page(pdf_id INTEGER, page_no INTEGER, text TEXT, PRIMARY KEY(pdf_id, page_no));
CREATE VIRTUAL TABLE pdf_fts USING fts5(body, content='', tokenize='veldra', detail=full);
CREATE TABLE entry_key(key BLOB PRIMARY KEY, digest BLOB NOT NULL) WITHOUT ROWID;
CREATE TABLE claim(digest BLOB PRIMARY KEY, pid INTEGER, boot_id TEXT, started INTEGER);
)sql";

std::string Utf8Path(const std::string& cp932) { return platform::Cp932ToUtf8(cp932); }

std::string FolderOf(const std::string& path) {
  const size_t slash = path.rfind('/');
  return slash == std::string::npos ? std::string(".") : path.substr(0, slash);
}

StoreProblem ProblemOfFailure(platform::Failure failure) {
  switch (failure) {
    case platform::Failure::kNone: return StoreProblem::kNone;
    case platform::Failure::kNotRegularFile: return StoreProblem::kFolderIsFile;
    case platform::Failure::kDenied: return StoreProblem::kFolderReadOnly;
    case platform::Failure::kNoSpace: return StoreProblem::kDiskFull;
    default: return StoreProblem::kFailed;
  }
}

// An integer a PRAGMA reports, or nullopt with *rc set when it fails.
std::optional<int64_t> PragmaValue(sqlite3* db, const char* sql, int* rc) {
  Statement statement;
  *rc = statement.Prepare(db, sql);
  if (*rc != SQLITE_OK) return std::nullopt;
  *rc = statement.Step();
  if (*rc != SQLITE_ROW) return std::nullopt;
  *rc = SQLITE_OK;
  return statement.Int(0);
}

// What the open file is.
enum class Identity { kOurs, kEmpty, kForeign, kError };

// The three values are read in one transaction: read one by one, they could straddle
// another process's making of the schema and show a half-made index as another program's.
Identity IdentityOf(sqlite3* db, int* rc) {
  const bool own_transaction = sqlite3_get_autocommit(db) != 0;
  if (own_transaction && (*rc = sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr)) != SQLITE_OK) {
    return Identity::kError;
  }
  const auto application = PragmaValue(db, "PRAGMA application_id", rc);
  const auto version = application ? PragmaValue(db, "PRAGMA user_version", rc) : std::nullopt;
  const auto tables =
      version ? PragmaValue(db, "SELECT count(*) FROM sqlite_schema", rc) : std::nullopt;
  if (own_transaction) sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
  if (!application || !version || !tables) return Identity::kError;
  if (*application == IndexStore::kApplicationId && *version == IndexStore::kSchemaVersion) {
    return Identity::kOurs;
  }
  return *application == 0 && *version == 0 && *tables == 0 ? Identity::kEmpty
                                                             : Identity::kForeign;
}

// WAL mode, and synchronous=NORMAL with it. Switching a new file into WAL mode answers
// "busy" at once, without waiting, while another process is making the same file: the
// switch is tried again for as long as the busy timeout.
int SwitchToWal(sqlite3* db) {
  int rc = SQLITE_OK;
  for (int waited = 0; waited <= kBusyTimeoutMs; waited += kWalRetryMs) {
    rc = sqlite3_exec(db, "PRAGMA journal_mode=WAL; PRAGMA synchronous=NORMAL;", nullptr,
                      nullptr, nullptr);
    if ((rc & 0xFF) != SQLITE_BUSY) break;
    sqlite3_sleep(kWalRetryMs);
  }
  return rc;
}

bool IsDamage(int rc) {
  const int primary = rc & 0xFF;
  return primary == SQLITE_CORRUPT || primary == SQLITE_NOTADB;
}

// The name a broken index is moved to: path.broken-YYYYMMDD-HHMMSS, with -2, -3, ... when
// that is taken.
std::string SetAsideName(const std::string& path, int attempt) {
  const platform::LocalTime t = platform::Platform::Current().Now();
  char stamp[48];
  std::snprintf(stamp, sizeof stamp, ".broken-%04d%02d%02d-%02d%02d%02d", t.year, t.month,
                t.day, t.hour, t.minute, t.second);
  std::string name = path + stamp;
  if (attempt > 1) name += "-" + std::to_string(attempt);
  return name;
}

// Renames the index at path aside, its write-ahead log with it; the new name, or "" when no
// name could be had.
std::string MoveAside(const std::string& path) {
  platform::Platform& real = platform::Platform::Real();
  for (int attempt = 1; attempt < 100; ++attempt) {
    const std::string name = SetAsideName(path, attempt);
    if (!real.RenameNoReplace(path, name)) continue;
    // The log belongs to the file set aside; the shared memory beside it to no one now.
    real.RenameNoReplace(path + "-wal", name + "-wal");
    real.Remove(path + "-shm");
    return name;
  }
  return std::string();
}

}  // namespace

const char* StoreProblemText(StoreProblem problem) {
  switch (problem) {
    case StoreProblem::kNone: return "no problem";
    case StoreProblem::kNoCacheFolder:
      return "no cache folder can be told: neither XDG_CACHE_HOME nor HOME is set";
    case StoreProblem::kFolderIsFile:
      return "a file stands where the index's folder must be";
    case StoreProblem::kFolderReadOnly: return "the index's folder cannot be written";
    case StoreProblem::kIndexIsLink:
      return "the index file is a symbolic link, which is never followed";
    case StoreProblem::kIndexNotFile: return "the index file's name is taken by something else";
    case StoreProblem::kDiskFull: return "no space is left on the device that holds the index";
    case StoreProblem::kDamaged: return "the index is damaged";
    case StoreProblem::kBusy: return "another program kept the index locked";
    case StoreProblem::kFailed: return "the index could not be read or written";
  }
  return "the index could not be read or written";
}

IndexStore::IndexStore() = default;

IndexStore::~IndexStore() { Close(); }

std::string IndexStore::DefaultPath() {
  const std::string cache = platform::Platform::Current().CacheFolder();
  return cache.empty() ? std::string() : cache + "/veldra/index.sqlite";
}

void IndexStore::Close() {
  statements_.reset();
  if (db_ != nullptr) sqlite3_close_v2(db_);
  db_ = nullptr;
}

StoreProblem IndexStore::Fail(int rc) {
  const int primary = rc & 0xFF;
  const int error = db_ != nullptr ? sqlite3_system_errno(db_) : 0;
  if (primary == SQLITE_FULL || error == ENOSPC || error == EDQUOT) {
    problem_ = StoreProblem::kDiskFull;
  } else if (IsDamage(rc)) {
    problem_ = StoreProblem::kDamaged;
  } else if (primary == SQLITE_BUSY || primary == SQLITE_LOCKED) {
    problem_ = StoreProblem::kBusy;
  } else if (primary == SQLITE_READONLY || error == EACCES || error == EROFS || error == EPERM) {
    problem_ = StoreProblem::kFolderReadOnly;
  } else if (error == ELOOP) {
    problem_ = StoreProblem::kIndexIsLink;
  } else {
    problem_ = StoreProblem::kFailed;
  }
  return problem_;
}

StoreOpening IndexStore::Open(const std::string& path, const char* vfs) {
  Close();
  path_ = path;
  vfs_ = vfs;
  return OpenFile(false);
}

StoreOpening IndexStore::SetAsideAndRebuild() {
  Close();
  return OpenFile(true);
}

StoreOpening IndexStore::OpenFile(bool set_aside_first) {
  StoreOpening opening;
  const auto fail = [&](StoreProblem problem) {
    Close();
    problem_ = opening.problem = problem;
    return opening;
  };
  problem_ = StoreProblem::kNone;
  if (path_.empty()) return fail(StoreProblem::kNoCacheFolder);
  const std::string folder = FolderOf(path_);
  if (const auto made = platform::MakeFolders(folder); made != platform::Failure::kNone) {
    return fail(ProblemOfFailure(made));
  }
  switch (platform::NodeKindOf(path_)) {
    case platform::NodeKind::kSymbolicLink: return fail(StoreProblem::kIndexIsLink);
    case platform::NodeKind::kDirectory:
    case platform::NodeKind::kOther: return fail(StoreProblem::kIndexNotFile);
    default: break;
  }
  if (platform::FolderWritable(folder) != platform::Failure::kNone) {
    return fail(StoreProblem::kFolderReadOnly);
  }
  for (int attempt = 0;; ++attempt) {
    if (set_aside_first || attempt > 0) {
      Close();
      if (platform::NodeKindOf(path_) != platform::NodeKind::kMissing) {
        opening.set_aside = MoveAside(path_);
        if (opening.set_aside.empty()) return fail(StoreProblem::kFailed);
      }
      set_aside_first = false;
    }
    const int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOFOLLOW;
    int rc = sqlite3_open_v2(Utf8Path(path_).c_str(), &db_, flags, vfs_);
    if (rc != SQLITE_OK) {
      Fail(rc);
      return fail(problem_);
    }
    sqlite3_extended_result_codes(db_, 1);
    if (!RegisterSearchFunctions(db_)) return fail(StoreProblem::kFailed);
    sqlite3_busy_timeout(db_, kBusyTimeoutMs);
    const Identity identity = IdentityOf(db_, &rc);
    if (identity == Identity::kError && !IsDamage(rc)) {
      Fail(rc);
      return fail(problem_);
    }
    if ((identity == Identity::kError || identity == Identity::kForeign) && attempt == 0) {
      continue;  // set it aside and start again
    }
    if (identity != Identity::kOurs && identity != Identity::kEmpty) {
      return fail(StoreProblem::kDamaged);
    }
    // The page size is chosen before anything is written: WAL mode fixes it.
    if (identity == Identity::kEmpty) sqlite3_exec(db_, kNewFilePragmas, nullptr, nullptr, nullptr);
    rc = SwitchToWal(db_);
    if (rc == SQLITE_OK && identity == Identity::kEmpty) {
      // Another process may be making the schema at the same moment: whoever writes it
      // first does, the other finds it made.
      rc = sqlite3_exec(db_, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr);
      if (rc == SQLITE_OK && IdentityOf(db_, &rc) == Identity::kEmpty) {
        const std::string ids = "PRAGMA application_id=" + std::to_string(kApplicationId) +
                                "; PRAGMA user_version=" + std::to_string(kSchemaVersion) + ";";
        rc = sqlite3_exec(db_, kSchema, nullptr, nullptr, nullptr);
        if (rc == SQLITE_OK) rc = sqlite3_exec(db_, ids.c_str(), nullptr, nullptr, nullptr);
      }
      const int end = sqlite3_exec(db_, rc == SQLITE_OK ? "COMMIT" : "ROLLBACK", nullptr,
                                   nullptr, nullptr);
      if (rc == SQLITE_OK) rc = end;
    }
    if (rc != SQLITE_OK) {
      Fail(rc);
      return fail(problem_);
    }
    statements_ = std::make_unique<Statements>();
    if ((rc = statements_->PrepareAll(db_)) != SQLITE_OK) {
      Fail(rc);
      return fail(problem_);
    }
    return opening;
  }
}

IndexStore::ReadTransaction::ReadTransaction(IndexStore& store) : db_(store.db_) {
  // Inside a transaction already (or closed): nothing to begin, nothing to end.
  if (db_ == nullptr || sqlite3_get_autocommit(db_) == 0 ||
      sqlite3_exec(db_, "BEGIN", nullptr, nullptr, nullptr) != SQLITE_OK) {
    db_ = nullptr;
  }
}

IndexStore::ReadTransaction::~ReadTransaction() {
  if (db_ != nullptr) sqlite3_exec(db_, "COMMIT", nullptr, nullptr, nullptr);
}

StoreProblem IndexStore::InTransaction(const std::function<int()>& body) {
  if (db_ == nullptr) return problem_ = StoreProblem::kFailed;
  int rc = sqlite3_exec(db_, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr);
  if (rc == SQLITE_OK) rc = body();
  if (rc == SQLITE_OK || rc == SQLITE_DONE || rc == SQLITE_ROW) {
    rc = sqlite3_exec(db_, "COMMIT", nullptr, nullptr, nullptr);
    if (rc == SQLITE_OK) return StoreProblem::kNone;
  }
  Fail(rc);
  sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
  return problem_;
}

}  // namespace veldra::search
