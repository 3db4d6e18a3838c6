// The recent catalogs: the four catalogs opened last, newest first, that the File menu lists
// where "最近使ったファイル" stands.
//
// The list is the user's, not a catalog's: it lives in its own chunk container beside the
// preference file ("RecentCatalogs.rux"), one "RCNT" chunk per catalog, newest first, each a
// NUL-terminated CP932 path in kRecentPathRecordSize bytes. It is written whole under a
// temporary name and renamed over the old file, so a crash leaves the old list or the new
// one. A file that is not such a list (not a container, chunks of another size, a path that
// is empty, relative or listed twice, more than four) is ignored as a whole.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "storage/chunk_file.h"

namespace veldra::commands {

constexpr ChunkTag kTagRecentCatalog = MakeTag("RCNT");
constexpr size_t kRecentCatalogLimit = 4;
// A path longer than this less one byte is not listed: a cut path would name another file.
constexpr size_t kRecentPathRecordSize = 1024;
// The bytes of CP932 (one per half-width column) a path shows at most in the menu.
constexpr size_t kRecentTextWidth = 48;

// The list file beside the preference file at preference_path.
std::string RecentCatalogsPath(const std::string& preference_path);

enum class RecentFileState {
  kMissing,  // no file: an empty list
  kRead,     // a list, perhaps empty
  kDamaged,  // a file that is not a list of ours: ignored, to be written anew
};

// The list the file at path holds, newest first; empty unless the state is kRead.
std::vector<std::string> LoadRecentCatalogs(const std::string& path,
                                            RecentFileState* state = nullptr);

// Replaces the file at path with list: at most its first kRecentCatalogLimit full paths that
// fit a record, each once. true when the new file took the old one's place.
bool SaveRecentCatalogs(const std::string& path, const std::vector<std::string>& list);

// list with path first: its earlier place removed (the same file under another name counts
// as the same), and the oldest dropped beyond kRecentCatalogLimit. A path that is not a full
// path or does not fit a record leaves list as it was.
std::vector<std::string> WithCatalogFirst(std::vector<std::string> list,
                                          const std::string& path);
// list without path (nor the same file under another name).
std::vector<std::string> WithoutCatalog(std::vector<std::string> list, const std::string& path);

// path shortened in the middle to at most width bytes, on character boundaries: the first
// folder, "...", and as many of the last folders as fit with the file name; else ".../"
// and the file name; else the file name's beginning, "..." and its end.
std::string ShortenPathInMiddle(const std::string& path, size_t width);

// The menu text of the item at index (0 .. kRecentCatalogLimit-1): its number, a blank,
// the shortened path with "&" doubled, and the item's own mnemonic, a letter from "A" on
// ("1 /home/.../a.vdc(&A)"), so that none clashes with "&1" to "&3" of the import and
// export items in the same menu.
std::string RecentMenuText(size_t index, const std::string& path);

}  // namespace veldra::commands
