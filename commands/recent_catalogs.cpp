#include "commands/recent_catalogs.h"

#include <algorithm>
#include <cstring>
#include <set>

#include "commands/compact_copy.h"
#include "platform/cp932_chars.h"
#include "platform/path_parts.h"
#include "platform/platform.h"
#include "storage/record_array.h"

namespace veldra::commands {
namespace {

using platform::Platform;

constexpr char kListFileName[] = "RecentCatalogs.rux";
constexpr char kEllipsis[] = "...";

// What a list file may hold: a full path that fits a record with its NUL.
bool Listable(const std::string& path) {
  return !path.empty() && path[0] == '/' && path.size() < kRecentPathRecordSize;
}

bool SameCatalog(const std::string& a, const std::string& b) {
  return a == b || Platform::Current().SameFile(a, b);
}

// The path a record holds, or "" when it is not one we write: no NUL inside the record,
// empty, or not absolute.
std::string PathInRecord(const uint8_t* record) {
  const void* nul = std::memchr(record, '\0', kRecentPathRecordSize);
  if (nul == nullptr) return std::string();
  std::string path(reinterpret_cast<const char*>(record), static_cast<const uint8_t*>(nul) - record);
  return Listable(path) ? path : std::string();
}

// The longest end of text of at most max_bytes bytes that starts on a character.
std::string Cp932Tail(const std::string& text, size_t max_bytes) {
  for (size_t i = 0; i < text.size(); i += platform::Cp932CharLength(text, i)) {
    if (text.size() - i <= max_bytes) return text.substr(i);
  }
  return std::string();
}

std::string DoubledAmpersands(const std::string& text) {
  std::string out;
  for (char c : text) {
    out += c;
    if (c == '&') out += '&';
  }
  return out;
}

}  // namespace

std::string RecentCatalogsPath(const std::string& preference_path) {
  return platform::FolderOfPath(preference_path) + kListFileName;
}

std::vector<std::string> LoadRecentCatalogs(const std::string& path, RecentFileState* state) {
  RecentFileState unused;
  if (state == nullptr) state = &unused;
  if (Platform::Current().KindOf(path) == platform::FileKind::kMissing) {
    *state = RecentFileState::kMissing;
    return {};
  }
  *state = RecentFileState::kDamaged;
  ChunkFile file;
  if (file.Open(path, kChunkModeReadOnly) != kChunkOk) return {};
  std::vector<ChunkFile::TableRead> read = file.ReadTables({kTagRecentCatalog});
  file.Close();
  if (read.size() != 1) return {};
  if (read[0].result == kChunkNoSuchTag) {
    *state = RecentFileState::kRead;
    return {};
  }
  const RecordArray* records = read[0].records.get();
  if (read[0].result != kChunkOk || records == nullptr ||
      records->record_size() != kRecentPathRecordSize ||
      static_cast<size_t>(records->Count()) > kRecentCatalogLimit) {
    return {};
  }
  std::vector<std::string> list;
  std::set<std::string> seen;
  for (int i = 0; i < records->Count(); ++i) {
    std::string listed = PathInRecord(records->At(i));
    if (listed.empty() || !seen.insert(listed).second) return {};
    list.push_back(std::move(listed));
  }
  *state = RecentFileState::kRead;
  return list;
}

bool SaveRecentCatalogs(const std::string& path, const std::vector<std::string>& list) {
  RecordArray records(kRecentPathRecordSize, static_cast<int>(kRecentCatalogLimit));
  std::vector<uint8_t> record(kRecentPathRecordSize);
  std::set<std::string> stored;
  for (const std::string& listed : list) {
    if (static_cast<size_t>(records.Count()) == kRecentCatalogLimit) break;
    // What the reader would refuse is left out, so that the rest is not lost with it.
    if (!Listable(listed) || !stored.insert(listed).second) continue;
    std::fill(record.begin(), record.end(), 0);
    std::memcpy(record.data(), listed.data(), listed.size());
    if (records.Append(record.data()) != 0) return false;
  }
  const int rc = WriteCatalogFile(path, CopyTarget::kReplace, [&](ChunkFile& file) {
    return records.Count() == 0 ||
           file.WriteAll(kTagRecentCatalog, records, kRecentPathRecordSize) == kChunkOk;
  });
  return rc == kCompactOk;
}

std::vector<std::string> WithCatalogFirst(std::vector<std::string> list,
                                          const std::string& path) {
  if (!Listable(path)) return list;
  list = WithoutCatalog(std::move(list), path);
  list.insert(list.begin(), path);
  if (list.size() > kRecentCatalogLimit) list.resize(kRecentCatalogLimit);
  return list;
}

std::vector<std::string> WithoutCatalog(std::vector<std::string> list, const std::string& path) {
  list.erase(std::remove_if(list.begin(), list.end(),
                            [&](const std::string& listed) { return SameCatalog(listed, path); }),
             list.end());
  return list;
}

std::string ShortenPathInMiddle(const std::string& path, size_t width) {
  if (path.size() <= width) return path;
  const size_t last_slash = path.rfind('/');
  const std::string name = last_slash == std::string::npos ? path : path.substr(last_slash + 1);
  // "/" never occurs inside a double-byte character, so the folders can be found by byte.
  const size_t first_folder_end = path.find('/', 1);
  if (last_slash != std::string::npos && first_folder_end < last_slash) {
    const std::string head = path.substr(0, first_folder_end) + "/" + kEllipsis;
    std::string shortened;
    for (size_t slash = last_slash; slash > first_folder_end; slash = path.rfind('/', slash - 1)) {
      if (head.size() + (path.size() - slash) > width) break;
      shortened = head + path.substr(slash);
    }
    if (!shortened.empty()) return shortened;
  }
  const std::string named = std::string(kEllipsis) + "/" + name;
  if (last_slash != std::string::npos && named.size() <= width) return named;
  const size_t ellipsis = sizeof(kEllipsis) - 1;
  if (width <= ellipsis) return platform::CutCp932(name, width);
  const std::string front = platform::CutCp932(name, (width - ellipsis) / 2);
  return front + kEllipsis + Cp932Tail(name, width - ellipsis - front.size());
}

std::string RecentMenuText(size_t index, const std::string& path) {
  return std::to_string(index + 1) + " " +
         DoubledAmpersands(ShortenPathInMiddle(path, kRecentTextWidth)) + "(&" +
         static_cast<char>('A' + index) + ")";
}

}  // namespace veldra::commands
