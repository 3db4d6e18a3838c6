#include "tests/search/search_test_support.h"

#include <gtest/gtest.h>
#include <sqlite3.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <atomic>
#include <filesystem>
#include <fstream>

namespace veldra::search::testing {
namespace {

std::atomic<bool> disk_full{false};
sqlite3_vfs* real_vfs = nullptr;
sqlite3_vfs full_vfs;
sqlite3_io_methods full_methods;

// A file of the full-disk VFS: the default VFS's file right behind it.
struct FullFile {
  sqlite3_file base;
  sqlite3_file* real;
};

sqlite3_file* Real(sqlite3_file* file) { return reinterpret_cast<FullFile*>(file)->real; }

// Every method but the write passes the call on to the real file.
template <auto Method, typename... Args>
auto Pass(sqlite3_file* f, Args... args) {
  return (Real(f)->pMethods->*Method)(Real(f), args...);
}

int Write(sqlite3_file* f, const void* data, int amount, sqlite3_int64 offset) {
  if (disk_full) return SQLITE_FULL;
  return Pass<&sqlite3_io_methods::xWrite>(f, data, amount, offset);
}

int Open(sqlite3_vfs*, const char* name, sqlite3_file* file, int flags, int* out_flags) {
  auto* full = reinterpret_cast<FullFile*>(file);
  full->real = reinterpret_cast<sqlite3_file*>(full + 1);
  const int rc = real_vfs->xOpen(real_vfs, name, full->real, flags, out_flags);
  full->base.pMethods = full->real->pMethods != nullptr ? &full_methods : nullptr;
  return rc;
}

}  // namespace

TempFolder::TempFolder() {
  const char* tmp = std::getenv("TMPDIR");
  std::string pattern = std::string(tmp != nullptr && *tmp != '\0' ? tmp : "/tmp") +
                        "/veldra-search-XXXXXX";
  if (::mkdtemp(pattern.data()) == nullptr) ADD_FAILURE() << "no temporary folder";
  path_ = pattern;
}

TempFolder::~TempFolder() {
  std::error_code ignored;
  std::filesystem::permissions(path_, std::filesystem::perms::owner_all,
                               std::filesystem::perm_options::add, ignored);
  for (const auto& item : std::filesystem::recursive_directory_iterator(path_, ignored)) {
    std::filesystem::permissions(item.path(), std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, ignored);
  }
  std::filesystem::remove_all(path_, ignored);
}

const char* FullDiskVfs() {
  static const bool registered = [] {
    real_vfs = sqlite3_vfs_find(nullptr);
    full_vfs = *real_vfs;
    full_vfs.zName = "veldra-test-full-disk";
    full_vfs.szOsFile = static_cast<int>(sizeof(FullFile)) + real_vfs->szOsFile;
    full_vfs.xOpen = Open;
    using M = sqlite3_io_methods;
    full_methods = {2,  // no memory-mapped reads: every read goes through the real file
                    Pass<&M::xClose>, Pass<&M::xRead>, Write, Pass<&M::xTruncate>,
                    Pass<&M::xSync>, Pass<&M::xFileSize>, Pass<&M::xLock>, Pass<&M::xUnlock>,
                    Pass<&M::xCheckReservedLock>, Pass<&M::xFileControl>,
                    Pass<&M::xSectorSize>, Pass<&M::xDeviceCharacteristics>,
                    Pass<&M::xShmMap>, Pass<&M::xShmLock>, Pass<&M::xShmBarrier>,
                    Pass<&M::xShmUnmap>, nullptr, nullptr};
    return sqlite3_vfs_register(&full_vfs, 0) == SQLITE_OK;
  }();
  return registered ? full_vfs.zName : nullptr;
}

void SetDiskFull(bool full) { disk_full = full; }

std::string Repeat(const std::string& piece, int times) {
  std::string out;
  for (int i = 0; i < times; ++i) out += piece;
  return out;
}

std::string ReadAll(const std::string& path) {
  struct stat st {};
  if (::lstat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return std::string();
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

std::string Sql(const std::string& path, const std::string& sql) {
  sqlite3* db = nullptr;
  std::string value;
  if (sqlite3_open(path.c_str(), &db) == SQLITE_OK) {
    sqlite3_exec(db, sql.c_str(), [](void* out, int, char** values, char**) {
      auto* first = static_cast<std::string*>(out);
      if (first->empty() && values[0] != nullptr) *first = values[0];
      return 0;
    }, &value, nullptr);
  }
  sqlite3_close(db);
  return value;
}

Digest DigestOfName(const std::string& name) { return Sha256Of(name); }

int64_t PutPages(IndexStore& store, const std::string& name,
                 const std::vector<std::string>& pages) {
  int64_t id = 0;
  EXPECT_EQ(store.PutText(DigestOfName(name), PdfText{pages, false, "test"}, &id),
            StoreProblem::kNone);
  return id;
}

}  // namespace veldra::search::testing
