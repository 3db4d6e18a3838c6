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
      if (commands::CollectPdfsBelow(path, paths) != commands::kCollectOk) {
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

std::string WithCause(const std::string& words, platform::Failure cause) {
  const std::string why = CauseWords(cause);
  return why.empty() ? words : words + ": " + why;
}

// Why the PDF's bytes are not in the catalog, as the import's report classes it (the
// application's failure list words the same classes).
std::string ReasonWords(const commands::ImportedPdf& item) {
  switch (item.failure) {
    case commands::ImportFailure::kNone:
    case commands::ImportFailure::kNotRegularFile:
    case commands::ImportFailure::kUnnamable: break;
    case commands::ImportFailure::kUnreadable: return WithCause("the PDF cannot be read", item.cause);
    case commands::ImportFailure::kEmpty: return "the PDF is empty (0 bytes)";
    case commands::ImportFailure::kTooLarge:
      return "the PDF is too large for a catalog: a catalog holds a PDF of at most "
             "2147483647 bytes (2 GiB - 1), and is itself below 4 GiB";
    case commands::ImportFailure::kNoSpace: return "no space left on the device";
    case commands::ImportFailure::kWriteFailed:
      return WithCause("the catalog file could not be written", item.cause);
  }
  return "unknown failure";
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
    case commands::kImportUnnamable:
      for (const std::string& bad : report.unnamable) {
        Fail(io, "the name of " + ToUtf8(bad) + " holds a character that CP932 cannot "
                 "represent (shown as ?); nothing was imported");
      }
      return kExitFailed;
    case commands::kImportCannotOpen:
      return Fail(io, WithCause("the catalog cannot be opened for writing, or its attachment "
                                "chain is damaged",
                                report.catalog_cause) +
                          "; nothing was imported");
    case commands::kImportIdsExhausted:
      return Fail(io, "the id counters of " + ToUtf8(document->path()) + " have too few ids "
                      "left for these PDFs (a counter stops at 2147483647, the last id a catalog "
                      "can issue); nothing was imported");
    default:
      break;
  }
  int code = kExitOk;
  for (const commands::ImportedPdf& item : report.imported) {
    if (item.failure == commands::ImportFailure::kNotRegularFile) {
      code = Fail(io, ToUtf8(item.path) + ": not a regular file (a pipe or a device); skipped");
      continue;
    }
    if (item.failure == commands::ImportFailure::kUnnamable) {
      code = Fail(io, "the name of " + ToUtf8(item.path) + " holds a character that CP932 "
                      "cannot represent (shown as ?); skipped");
      continue;
    }
    io.out << item.entry_id << "\t" << ToUtf8(item.path) << "\n";
    if (item.companion_cause != platform::Failure::kNone) {
      code = Fail(io, ToUtf8(CompanionPath(item.path)) + ": the companion file was not read (" +
                          CauseWords(item.companion_cause) +
                          ": a pipe, a device or a folder); the PDF was imported without it");
    }
    if (!item.attached) {
      code = Fail(io, ToUtf8(item.path) + ": the PDF bytes could not be stored (" +
                          ReasonWords(item) + "); entry " + std::to_string(item.entry_id) +
                          " has no attachment");
    }
  }
  if (rc == commands::kImportSaveFailed) {
    platform::SetLastFailure(report.save_cause);
    return Fail(io, SaveFailedMessage(*document, report.save_result));
  }
  return code;
}

}  // namespace veldra::cli
