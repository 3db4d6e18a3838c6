#include "cli/catalog_session.h"

#include <algorithm>
#include <unordered_set>

#include "cli/cli_text.h"
#include "platform/platform.h"
#include "storage/catalog_table.h"

namespace veldra::cli {

using platform::Platform;

std::unique_ptr<CVeldraDocument> OpenCatalogFor(ToolIo& io, const std::string& utf8_path,
                                                Access access) {
  std::string path;
  if (!ArgToCp932(io, "catalog path", utf8_path, &path)) return nullptr;
  if (!Platform::Current().FileExists(path)) {
    Fail(io, "no catalog at " + utf8_path);
    return nullptr;
  }
  auto document = std::make_unique<CVeldraDocument>();
  if (access == Access::kChange) {
    document->LoadForChange(path);
  } else {
    document->Load(path);
  }
  switch (document->load_status()) {
    case CatalogLoadStatus::kComplete:
      return document;
    case CatalogLoadStatus::kNotContainer:
      Fail(io, utf8_path + " is not a catalog (it cannot be opened or is not a container)");
      return nullptr;
    case CatalogLoadStatus::kIncomplete:
      if (access != Access::kRead) {
        Fail(io, utf8_path + " could not be read completely; nothing was changed "
                             "(run 'veldra-cli check' to see the damage)");
        return nullptr;
      }
      return document;
    case CatalogLoadStatus::kDamaged:
      Fail(io, utf8_path + " is damaged (" + document->damage() +
                   "); nothing was changed. Run 'veldra-cli check " + utf8_path +
                   "' for details, then 'veldra-cli salvage " + utf8_path +
                   " NEWPATH' (or 'veldra-cli compact') to write a sound copy");
      return nullptr;
  }
  return nullptr;
}

bool WarnIfIncomplete(ToolIo& io, const CVeldraDocument& document) {
  if (document.read_complete()) return false;
  io.err << "veldra-cli: warning: " << ToUtf8(document.path())
         << " could not be read completely; only what could be read is shown\n";
  return true;
}

bool ParseEntryIds(ToolIo& io, const Tool& tool, const std::vector<std::string>& words,
                   std::vector<int32_t>* ids) {
  ids->clear();
  for (const std::string& word : words) {
    int id = 0;
    if (!ParseInt32(word, &id)) {
      UsageError(io, tool, "'" + word + "' is not an entry id");
      return false;
    }
    ids->push_back(id);
  }
  return true;
}

bool RequireEntries(ToolIo& io, const CVeldraDocument& document,
                    const std::vector<int32_t>& ids) {
  const RecordArray& entries = document.entries();
  std::unordered_set<int32_t> present;
  for (int i = 0; i < entries.Count(); ++i) present.insert(EncodedEntryId(entries.At(i)));
  for (int32_t id : ids) {
    if (present.count(id) == 0) {
      Fail(io, "no entry with id " + std::to_string(id));
      return false;
    }
  }
  return true;
}

bool ParseLevel(ToolIo& io, const Tool& tool, const std::string& word, int* level) {
  if (word != "1" && word != "2" && word != "3") {
    UsageError(io, tool, "LEVEL must be 1, 2 or 3, not '" + word + "'");
    return false;
  }
  *level = word[0] - '0';
  return true;
}

bool SplitNames(const std::string& text, size_t count, std::vector<std::string>* out) {
  out->clear();
  size_t start = 0;
  while (true) {
    size_t slash = text.find('/', start);
    out->push_back(text.substr(start, slash == std::string::npos ? slash : slash - start));
    if (slash == std::string::npos) break;
    start = slash + 1;
  }
  return out->size() == count;
}

std::string SaveFailedMessage(const CVeldraDocument& document, int code) {
  return "saving " + ToUtf8(document.path()) + " failed (code " + std::to_string(code) +
         "); the file may hold only part of the change";
}

}  // namespace veldra::cli
