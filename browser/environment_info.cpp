#include "browser/environment_info.h"

#include <cstdio>
#include <cstring>

#include "platform/cp932_chars.h"
#include "platform/platform.h"

namespace veldra {
namespace {

using platform::Cp932CharLength;
using platform::Platform;

// The length of the digits of a CatalogTimestamp, without its NUL.
constexpr size_t kTimestampDigits = 17;

const char* OsNameOf(const OsVersionRecord& v) {
  switch (v.major) {
    case 4:
      if (v.minor == 0) return v.platform_id == 2 ? "Windows NT 4.0" : "Windows 95";
      if (v.minor == 10) return "Windows 98";
      if (v.minor == 90) return "Windows Me";
      return nullptr;
    case 5:
      if (v.minor == 0) return "Windows 2000";
      if (v.minor == 1) return "Windows XP";
      if (v.minor == 2) return "Windows 2003 Server";
      return nullptr;
    case 6:
      return "Windows Vista";
    default:
      return nullptr;
  }
}

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
  const std::string folder = FolderOfPath(path);
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

// folder and name with exactly one "/" between them.
std::string JoinPath(const std::string& folder, const std::string& name) {
  if (!folder.empty() && folder.back() == '/') return folder + name;
  return folder + "/" + name;
}

// Whether a listed name (with "?" for what CP932 cannot hold) fails to reach its item.
bool Unnamable(Platform& platform, const platform::DirItem& item, const std::string& path) {
  if (item.name.find('?') == std::string::npos) return false;
  return item.is_directory ? !platform.IsDirectory(path) : !platform.FileExists(path);
}

// Depth-first search below folder. ancestors holds the folders being searched, so that a
// link back to one of them is not followed round and round.
int SearchFolder(const std::string& folder, const std::string& extension,
                 std::vector<std::string>* ancestors, std::vector<std::string>* out,
                 std::vector<std::string>* unnamable) {
  Platform& platform = Platform::Current();
  std::vector<platform::DirItem> items;
  if (!platform.ListDirectory(folder, &items)) return -1;
  ancestors->push_back(folder);
  for (const platform::DirItem& item : items) {
    const std::string path = JoinPath(folder, item.name);
    if (item.is_directory) {
      if (item.name == "." || item.name == ".." || item.hidden) continue;
      if (unnamable != nullptr && Unnamable(platform, item, path)) {
        unnamable->push_back(path);
        continue;
      }
      bool loops = false;
      for (const std::string& ancestor : *ancestors) {
        if (platform.SameFile(ancestor, path)) loops = true;
      }
      if (!loops) SearchFolder(path, extension, ancestors, out, unnamable);  // unreadable: skipped
      continue;
    }
    const size_t dot = item.name.rfind('.');
    if (dot == std::string::npos) continue;
    if (item.name.compare(dot + 1, std::string::npos, extension) != 0) continue;
    if (unnamable != nullptr && Unnamable(platform, item, path)) {
      unnamable->push_back(path);
    } else {
      out->push_back(path);
    }
  }
  ancestors->pop_back();
  return 0;
}

}  // namespace

int OsNameFromVersion(const OsVersionRecord& version, size_t buffer_size, std::string* out) {
  const char* name = OsNameOf(version);
  if (name == nullptr) return kOsNameUnlisted;
  std::string text = std::string(name) + " " + version.service_pack;
  if (text.size() + 1 > buffer_size) return kOsNameFailed;
  *out = std::move(text);
  return kOsNameOk;
}

int GetOsName(size_t buffer_size, std::string* out) {
  std::string name;
  if (!Platform::Current().OsName(&name)) return kOsNameFailed;
  if (name.size() + 1 > buffer_size) return kOsNameFailed;
  *out = std::move(name);
  return kOsNameOk;
}

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

int EnumerateFilesByExtension(const std::string& folder, const std::string& extension,
                              std::vector<std::string>* out,
                              std::vector<std::string>* unnamable) {
  std::vector<std::string> found;
  std::vector<std::string> bad;
  std::vector<std::string> ancestors;
  if (SearchFolder(folder, extension, &ancestors, &found, unnamable ? &bad : nullptr) != 0) {
    return -1;
  }
  out->insert(out->end(), found.begin(), found.end());
  if (unnamable != nullptr) unnamable->insert(unnamable->end(), bad.begin(), bad.end());
  return 0;
}

std::string FolderOfPath(const std::string& path) {
  const size_t slash = path.rfind('/');
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

std::string FormatFileSize(int size) {
  char text[64];
  const double megabytes = size / 1048576.0;
  if (megabytes >= 1.0) {
    std::snprintf(text, sizeof(text), "%.1f MB", megabytes);
  } else {
    std::snprintf(text, sizeof(text), "%.1f KB", size / 1024.0);
  }
  return text;
}

std::string FormatShortDate(const char* timestamp) {
  if (timestamp == nullptr) return std::string();
  char text[] = "YYYY/MM/DD HH:MM";
  std::memcpy(text + 0, timestamp + 0, 4);
  std::memcpy(text + 5, timestamp + 4, 2);
  std::memcpy(text + 8, timestamp + 6, 2);
  std::memcpy(text + 11, timestamp + 8, 2);
  std::memcpy(text + 14, timestamp + 10, 2);
  return std::string(text);  // up to the first NUL copied in, as the list shows it
}

std::string FormatRatingStars(int rating) {
  static const std::string kWhiteStar = "\x81\x99";  // U+2606 in CP932
  std::string stars;
  if (rating < 1 || rating > 5) return stars;
  for (int i = 0; i < rating; ++i) stars += kWhiteStar;
  return stars;
}

}  // namespace veldra
