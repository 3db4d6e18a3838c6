#include "cli/catalog_session.h"

#include <algorithm>
#include <unordered_set>

#include "cli/cli_text.h"
#include "platform/platform.h"
#include "storage/catalog_files.h"
#include "storage/catalog_table.h"

namespace veldra::cli {

using platform::Platform;

bool RequireCatalogFile(ToolIo& io, const std::string& path, const std::string& utf8_path) {
  switch (Platform::Current().KindOf(path)) {
    case platform::FileKind::kRegularFile:
      if (Platform::Current().FileExists(path)) return true;
      break;
    case platform::FileKind::kDirectory:
    case platform::FileKind::kOther:
      Fail(io, utf8_path + " is not a regular file (a folder, a pipe, a socket or a device), "
                           "so it is no catalog; it was not opened");
      return false;
    case platform::FileKind::kMissing:
      break;
  }
  Fail(io, "no catalog at " + utf8_path);
  return false;
}

std::unique_ptr<CVeldraDocument> OpenCatalogFor(ToolIo& io, const std::string& utf8_path,
                                                Access access) {
  std::string path;
  if (!ArgToCp932(io, "catalog path", utf8_path, &path)) return nullptr;
  if (!RequireCatalogFile(io, path, utf8_path)) return nullptr;
  auto document = std::make_unique<CVeldraDocument>();
  // Every command looks for damage: a changing one must not write into it, and a reading
  // one (or a copy) must not present what the lists still reach as the whole catalog.
  document->LoadForChange(path);
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
      if (access != Access::kChange) return document;
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
  const std::string path = ToUtf8(document.path());
  if (document.load_status() == CatalogLoadStatus::kDamaged) {
    io.err << "veldra-cli: warning: " << path << " is damaged (" << document.damage()
           << "); only what its lists still reach was read ('veldra-cli salvage " << path
           << " NEWPATH' also recovers what they no longer reach)\n";
    return true;
  }
  io.err << "veldra-cli: warning: " << path
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

std::string CauseWords(platform::Failure cause) {
  switch (cause) {
    case platform::Failure::kNone: break;
    case platform::Failure::kNotFound: return "no such file";
    case platform::Failure::kDenied: return "permission denied";
    case platform::Failure::kNoSpace: return "no space left on the device";
    case platform::Failure::kTooLarge: return "the file system takes no file that large";
    case platform::Failure::kNotRegularFile: return "not a regular file";
    case platform::Failure::kIoError: return "input/output error on the device";
    case platform::Failure::kOther: return "an unexpected system error";
  }
  return std::string();
}

std::string SaveFailedMessage(const CVeldraDocument& document, int code) {
  const std::string cause = CauseWords(platform::LastFailure());
  return "saving " + ToUtf8(document.path()) + " failed (code " + std::to_string(code) +
         (cause.empty() ? "" : ": " + cause) + "); the file may hold only part of the change";
}

int ReportSave(ToolIo& io, const CVeldraDocument& document, int code) {
  if (code == kSaveOk) return kExitOk;
  if (code == kIdsExhausted) {
    return Fail(io, "no new category can be made in " + ToUtf8(document.path()) +
                        ": its category ids have run out (a counter stops at 2147483647, the "
                        "last id a catalog can issue); nothing was changed");
  }
  if (code == kSaveSortLevelsFailed) {
    const std::string cause = CauseWords(platform::LastFailure());
    io.err << "veldra-cli: warning: the change is saved in " << ToUtf8(document.path())
           << "; only the sort order stored after it could not be rewritten"
           << (cause.empty() ? "" : " (" + cause + ")")
           << ", and the file keeps the one it had\n";
    return kExitOk;
  }
  return Fail(io, SaveFailedMessage(document, code));
}

}  // namespace veldra::cli
