// What the search tests share: a folder of the real file system (the index is an SQLite
// file) and its files read, an SQLite VFS whose writes fail as on a full disk, and page texts
// put into an index without any PDF.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "search/digest.h"
#include "search/index_store.h"

namespace veldra::search::testing {

// A new folder under $TMPDIR (else /tmp), removed with everything in it afterwards.
class TempFolder {
 public:
  TempFolder();
  ~TempFolder();
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;
  const std::string& path() const { return path_; }
  std::string Path(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

// The name of a VFS that works as the default one, except that every write fails with
// SQLITE_FULL while SetDiskFull(true) is in force.
const char* FullDiskVfs();
void SetDiskFull(bool full);

// piece, times times over.
std::string Repeat(const std::string& piece, int times);

// The bytes of the regular file at path ("" for anything else).
std::string ReadAll(const std::string& path);

// Runs sql on the SQLite file at path beside any store, as another program would; the first
// value it gives ("" when none, or when it cannot be run).
std::string Sql(const std::string& path, const std::string& sql);

// Puts a PDF's pages into store under a digest made from name; its full-text row id.
int64_t PutPages(IndexStore& store, const std::string& name, const std::vector<std::string>& pages);
Digest DigestOfName(const std::string& name);

}  // namespace veldra::search::testing
