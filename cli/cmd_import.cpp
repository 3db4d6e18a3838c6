#include "cli/catalog_session.h"
#include "cli/cli_text.h"
#include "cli/tools.h"
#include "commands/import_pdfs.h"
#include "platform/platform.h"

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

// The PDF paths of the arguments: a file as it is, a folder as the batch import lists it.
bool CollectPaths(ToolIo& io, const ParsedArgs& args, std::vector<std::string>* paths) {
  platform::Platform& platform = platform::Platform::Current();
  for (size_t i = 1; i < args.positionals.size(); ++i) {
    const std::string& utf8 = args.positionals[i];
    std::string typed;
    std::string path;
    if (!ArgToCp932(io, "path", utf8, &typed)) return false;
    // Made absolute as a file dialog would give it: the entry keeps the full path.
    if (!platform.MakeAbsolute(typed, &path)) {
      Fail(io, "the working folder cannot be told, or its name holds a character that CP932 "
               "cannot represent; nothing was imported");
      return false;
    }
    if (platform.IsDirectory(path)) {
      std::vector<std::string> unnamable;
      const int rc = commands::CollectPdfsBelow(path, paths, &unnamable);
      for (const std::string& bad : unnamable) {
        Fail(io, "the name of " + ToUtf8(bad) + " holds a character that CP932 cannot "
                 "represent (shown as ?); nothing was imported");
      }
      if (rc == commands::kCollectCannotSearch) {
        Fail(io, "cannot search the folder " + utf8 + "; nothing was imported");
      }
      if (rc != commands::kCollectOk) return false;
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
