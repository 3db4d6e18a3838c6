#include "storage/file_creation_timestamp.h"

#include <cstdio>
#include <cstring>
#include <vector>

#include "platform/cp932_chars.h"
#include "platform/path_parts.h"
#include "platform/platform.h"

namespace veldra {
namespace {

using platform::Cp932CharLength;
using platform::Platform;

// The length of the digits of a CatalogTimestamp, without its NUL.
constexpr size_t kTimestampDigits = 17;

// Matches name against a file-search pattern in which "*" stands for any run of
// characters and "?" for one character (one or two bytes). Nothing else is special: "["
// and "\" are ordinary, and the second byte of a double-byte character is never taken
// for a wildcard.
bool MatchesWildcard(const std::string& pattern, size_t p, const std::string& name, size_t n) {
  while (p < pattern.size()) {
    const char c = pattern[p];
    if (c == '*') {
      for (size_t k = n;; k += Cp932CharLength(name, k)) {
        if (MatchesWildcard(pattern, p + 1, name, k)) return true;
        if (k >= name.size()) return false;
      }
    }
    if (n >= name.size()) return false;
    const size_t name_width = Cp932CharLength(name, n);
    if (c == '?') {
      ++p;
    } else {
      const size_t pattern_width = Cp932CharLength(pattern, p);
      if (pattern.compare(p, pattern_width, name, n, name_width) != 0) return false;
      p += pattern_width;
    }
    n += name_width;
  }
  return n == name.size();
}

bool HasWildcard(const std::string& text) {
  for (size_t i = 0; i < text.size(); i += Cp932CharLength(text, i)) {
    if (text[i] == '*' || text[i] == '?') return true;
  }
  return false;
}

// The path the first-file search finds for path: path itself, or the first item (in byte
// order of names) of its folder that matches a wildcard name. "" when nothing is found.
std::string FindFirstFile(const std::string& path) {
  Platform& platform = Platform::Current();
  const std::string folder = platform::FolderOfPath(path);
  const std::string pattern = path.substr(folder.size());
  if (!HasWildcard(pattern)) {
    platform::LocalTime unused;
    return platform.FileCreationTime(path, &unused) ? path : std::string();
  }
  std::vector<platform::DirItem> items;
  if (!platform.ListDirectory(folder.empty() ? std::string(".") : folder, &items)) {
    return std::string();
  }
  for (const platform::DirItem& item : items) {
    if (MatchesWildcard(pattern, 0, item.name, 0)) return folder + item.name;
  }
  return std::string();
}

}  // namespace

int MakeFileCreationTimestamp(size_t buffer_size, char* buffer, const std::string& path) {
  // The 17 digits and the NUL must fit; a buffer of 17 bytes would lose the NUL.
  if (buffer == nullptr || buffer_size < kTimestampDigits + 1) return -1;
  const std::string found = FindFirstFile(path);
  platform::LocalTime t;
  if (found.empty() || !Platform::Current().FileCreationTime(found, &t)) return -1;
  char text[64];
  const int length = std::snprintf(text, sizeof(text), "%04d%02d%02d%02d%02d%02d%03d", t.year,
                                   t.month, t.day, t.hour, t.minute, t.second, t.millisecond);
  if (length != static_cast<int>(kTimestampDigits)) return -1;  // a year outside 0..9999
  std::memcpy(buffer, text, kTimestampDigits + 1);
  return 0;
}

}  // namespace veldra
