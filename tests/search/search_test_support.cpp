#include "tests/search/search_test_support.h"

#include <gtest/gtest.h>
#include <sqlite3.h>
#include <stdlib.h>

#include <atomic>
#include <filesystem>

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

int Write(sqlite3_file* f, const void* data, int amount, sqlite3_int64 offset) {
  if (disk_full) return SQLITE_FULL;
  return Real(f)->pMethods->xWrite(Real(f), data, amount, offset);
}
int Truncate(sqlite3_file* f, sqlite3_int64 size) {
  return Real(f)->pMethods->xTruncate(Real(f), size);
}
int Close(sqlite3_file* f) { return Real(f)->pMethods->xClose(Real(f)); }
int Read(sqlite3_file* f, void* data, int amount, sqlite3_int64 offset) {
  return Real(f)->pMethods->xRead(Real(f), data, amount, offset);
}
int Sync(sqlite3_file* f, int flags) { return Real(f)->pMethods->xSync(Real(f), flags); }
int FileSize(sqlite3_file* f, sqlite3_int64* size) {
  return Real(f)->pMethods->xFileSize(Real(f), size);
}
int Lock(sqlite3_file* f, int lock) { return Real(f)->pMethods->xLock(Real(f), lock); }
int Unlock(sqlite3_file* f, int lock) { return Real(f)->pMethods->xUnlock(Real(f), lock); }
int CheckLock(sqlite3_file* f, int* out) {
  return Real(f)->pMethods->xCheckReservedLock(Real(f), out);
}
int Control(sqlite3_file* f, int op, void* arg) {
  return Real(f)->pMethods->xFileControl(Real(f), op, arg);
}
int SectorSize(sqlite3_file* f) { return Real(f)->pMethods->xSectorSize(Real(f)); }
int Characteristics(sqlite3_file* f) {
  return Real(f)->pMethods->xDeviceCharacteristics(Real(f));
}
int ShmMap(sqlite3_file* f, int region, int size, int extend, void volatile** out) {
  return Real(f)->pMethods->xShmMap(Real(f), region, size, extend, out);
}
int ShmLock(sqlite3_file* f, int offset, int n, int flags) {
  return Real(f)->pMethods->xShmLock(Real(f), offset, n, flags);
}
void ShmBarrier(sqlite3_file* f) { Real(f)->pMethods->xShmBarrier(Real(f)); }
int ShmUnmap(sqlite3_file* f, int remove) { return Real(f)->pMethods->xShmUnmap(Real(f), remove); }

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
    full_methods = {3,        Close,      Read,      Write,     Truncate,  Sync,
                    FileSize, Lock,       Unlock,    CheckLock, Control,   SectorSize,
                    Characteristics, ShmMap, ShmLock, ShmBarrier, ShmUnmap, nullptr, nullptr};
    full_methods.iVersion = 2;  // no memory-mapped reads: every read goes through Read
    return sqlite3_vfs_register(&full_vfs, 0) == SQLITE_OK;
  }();
  return registered ? full_vfs.zName : nullptr;
}

void SetDiskFull(bool full) { disk_full = full; }

Digest DigestOfName(const std::string& name) { return Sha256Of(name); }

int64_t PutPages(IndexStore& store, const std::string& name,
                 const std::vector<std::string>& pages) {
  int64_t id = 0;
  EXPECT_EQ(store.PutText(DigestOfName(name), PdfText{pages, false, "test"}, &id),
            StoreProblem::kNone);
  return id;
}

}  // namespace veldra::search::testing
