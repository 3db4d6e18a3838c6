#include "platform/file_search.h"

#include "platform/platform.h"

namespace veldra::platform {
namespace {

// folder and name with exactly one "/" between them.
std::string JoinPath(const std::string& folder, const std::string& name) {
  if (!folder.empty() && folder.back() == '/') return folder + name;
  return folder + "/" + name;
}

// Whether a listed name (with "?" for what CP932 cannot hold) fails to reach its item.
bool Unnamable(Platform& platform, const DirItem& item, const std::string& path) {
  if (item.name.find('?') == std::string::npos) return false;
  return item.is_directory ? !platform.IsDirectory(path) : !platform.FileExists(path);
}

// Depth-first search below folder. ancestors holds the folders being searched, so that a
// link back to one of them is not followed round and round.
int SearchFolder(const std::string& folder, const std::string& extension,
                 std::vector<std::string>* ancestors, std::vector<std::string>* out,
                 std::vector<std::string>* unnamable) {
  Platform& platform = Platform::Current();
  std::vector<DirItem> items;
  if (!platform.ListDirectory(folder, &items)) return -1;
  ancestors->push_back(folder);
  for (const DirItem& item : items) {
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

}  // namespace veldra::platform
