#include <filesystem>
#include <system_error>

#include "cli/catalog_session.h"
#include "cli/cli_text.h"
#include "cli/tools.h"
#include "commands/import_pdfs.h"
#include "platform/platform.h"
#include "storage/catalog_files.h"

namespace veldra::cli {
namespace {

using commands::CategoryTriple;

// --category C1/C2/C3, as the category lists give a triple: "＜すべて＞" stands for "その他".
// kExitOk, or the exit code after the complaint.
int ReadTriple(ToolIo& io, const Tool& tool, const ParsedArgs& args, CategoryTriple* triple) {
  *triple = commands::OtherTriple();
  if (!args.Has("--category")) return kExitOk;
  std::vector<std::string> names;
  if (!SplitNames(args.Value("--category"), 3, &names)) {
    return UsageError(io, tool, "--category takes three names: C1/C2/C3");
  }
  for (int l = 0; l < 3; ++l) {
    std::string name;
    if (!ArgToName(io, "category name", names[l], &name)) {
      return kExitFailed;
    }
    (*triple)[l] = commands::SelectionAsCategory(name);
  }
  return kExitOk;
}

// A path made absolute against the working folder, as a file dialog would give it: the
// entry keeps the full path of its file.
std::string Absolute(const std::string& utf8) {
  if (!utf8.empty() && utf8[0] == '/') return utf8;
  std::error_code error;
  std::filesystem::path cwd = std::filesystem::current_path(error);
  if (error) return utf8;
  return (cwd / utf8).lexically_normal().string();
}

// The platform hands out the names of a folder in CP932, with "?" for every character CP932
// cannot hold; such a name leads nowhere. Finds the first PDF or searched folder below
// folder (hidden folders are not searched, as in the batch import) whose name is of that
// kind: true with its CP932 path in *bad.
bool FindUnnamable(const std::string& folder, std::vector<std::string>* ancestors,
                   std::string* bad) {
  platform::Platform& platform = platform::Platform::Current();
  std::vector<platform::DirItem> items;
  if (!platform.ListDirectory(folder, &items)) return false;
  ancestors->push_back(folder);
  bool found = false;
  for (const platform::DirItem& item : items) {
    const std::string path = (folder.ends_with('/') ? folder : folder + "/") + item.name;
    const bool replaced = item.name.find('?') != std::string::npos;
    if (item.is_directory) {
      if (item.hidden) continue;
      if (replaced && !platform.IsDirectory(path)) found = true;
      bool loops = false;
      for (const std::string& ancestor : *ancestors) {
        if (platform.SameFile(ancestor, path)) loops = true;
      }
      if (!found && !loops) found = FindUnnamable(path, ancestors, bad);
    } else if (replaced && item.name.ends_with(".pdf") && !platform.FileExists(path)) {
      found = true;
    }
    if (found) {
      if (bad->empty()) *bad = path;
      break;
    }
  }
  ancestors->pop_back();
  return found;
}

// The PDF paths of the arguments: a file as it is, a folder as the batch import lists it.
bool CollectPaths(ToolIo& io, const ParsedArgs& args, std::vector<std::string>* paths) {
  platform::Platform& platform = platform::Platform::Current();
  for (size_t i = 1; i < args.positionals.size(); ++i) {
    const std::string& utf8 = args.positionals[i];
    std::string path;
    if (!ArgToCp932(io, "path", Absolute(utf8), &path)) return false;
    if (platform.IsDirectory(path)) {
      std::vector<std::string> ancestors;
      std::string bad;
      if (FindUnnamable(path, &ancestors, &bad)) {
        Fail(io, "the name of " + ToUtf8(bad) + " holds a character that CP932 cannot "
                 "represent (shown as ?); nothing was imported");
        return false;
      }
      if (commands::CollectPdfsBelow(path, paths) != 0) {
        Fail(io, "cannot search the folder " + utf8 + "; nothing was imported");
        return false;
      }
    } else if (platform.FileExists(path)) {
      paths->push_back(path);
    } else {
      Fail(io, "no file or folder at " + utf8 + "; nothing was imported");
      return false;
    }
  }
  return true;
}

}  // namespace

int RunImport(const Tool& tool, const ParsedArgs& args, ToolIo& io) {
  CategoryTriple triple;
  if (int code = ReadTriple(io, tool, args, &triple); code != kExitOk) return code;
  auto document = OpenCatalogFor(io, args.positionals[0], Access::kChange);
  if (!document) return kExitFailed;
  std::vector<std::string> paths;
  if (!CollectPaths(io, args, &paths)) return kExitFailed;

  // Entries without a companion take this triple; it becomes a category when it is new.
  bool fresh_entries = false;
  for (const std::string& path : paths) {
    fresh_entries = fresh_entries || !platform::Platform::Current().FileExists(CompanionPath(path));
  }
  if (fresh_entries && !document->CategoryExists(triple[0], triple[1], triple[2])) {
    NewCategoryRecord(document->categories(), document->counters(), triple[0], triple[1],
                      triple[2]);
  }
  commands::ImportReport report;
  const int rc = commands::ImportPdfs(*document, paths, triple, &report);
  switch (rc) {
    case commands::kImportIncomplete:
      return Fail(io, "the catalog was not read completely; nothing was imported");
    case commands::kImportCannotOpen:
      return Fail(io, "the catalog cannot be opened for writing, or its attachment chain is "
                      "damaged; nothing was imported");
    default:
      break;
  }
  int code = kExitOk;
  for (const commands::ImportedPdf& item : report.imported) {
    io.out << item.entry_id << "\t" << ToUtf8(item.path) << "\n";
    if (!item.attached) {
      code = Fail(io, ToUtf8(item.path) + ": the PDF bytes could not be stored (empty or "
                      "unreadable file); entry " + std::to_string(item.entry_id) +
                      " has no attachment");
    }
  }
  if (rc == commands::kImportSaveFailed) {
    return Fail(io, SaveFailedMessage(*document, report.save_result));
  }
  return code;
}

}  // namespace veldra::cli
