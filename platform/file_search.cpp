#include "platform/file_search.h"

#include "platform/platform.h"

namespace veldra::platform {
namespace {

// folder and name with exactly one "/" between them.
std::string JoinPath(const std::string& folder, const std::string& name) {
  if (!folder.empty() && folder.back() == '/') return folder + name;
  return folder + "/" + name;
}

// Depth-first search below folder. ancestors holds the folders being searched, so that a
// link back to one of them is not followed round and round.
int SearchFolder(const std::string& folder, const std::string& extension,
                 std::vector<std::string>* ancestors, std::vector<std::string>* out) {
  Platform& platform = Platform::Current();
  std::vector<DirItem> items;
  if (!platform.ListDirectory(folder, &items)) return -1;
  ancestors->push_back(folder);
  for (const DirItem& item : items) {
    const std::string path = JoinPath(folder, item.name);
    if (item.is_directory) {
      if (item.name == "." || item.name == ".." || item.hidden) continue;
      bool loops = false;
      for (const std::string& ancestor : *ancestors) {
        if (platform.SameFile(ancestor, path)) loops = true;
      }
      if (!loops) SearchFolder(path, extension, ancestors, out);  // unreadable: skipped
      continue;
    }
    const size_t dot = item.name.rfind('.');
    if (dot == std::string::npos) continue;
    if (item.name.compare(dot + 1, std::string::npos, extension) == 0) out->push_back(path);
  }
  ancestors->pop_back();
  return 0;
}

}  // namespace

int EnumerateFilesByExtension(const std::string& folder, const std::string& extension,
                              std::vector<std::string>* out) {
  std::vector<std::string> found;
  std::vector<std::string> ancestors;
  if (SearchFolder(folder, extension, &ancestors, &found) != 0) return -1;
  out->insert(out->end(), found.begin(), found.end());
  return 0;
}

}  // namespace veldra::platform
