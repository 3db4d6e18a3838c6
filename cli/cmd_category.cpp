// category-add and category-delete.
#include "cli/catalog_session.h"
#include "cli/cli_text.h"
#include "cli/tools.h"
#include "commands/category_add.h"
#include "commands/category_delete.h"

namespace veldra::cli {

int RunCategoryAdd(const Tool& tool, const ParsedArgs& args, ToolIo& io) {
  int level = 0;
  if (!ParseLevel(io, tool, args.positionals[1], &level)) return kExitUsage;
  std::string name;
  if (!ArgToName(io, "category name", args.positionals[2], &name)) return kExitFailed;
  // The two other levels, as the category lists give them: "＜すべて＞" stands for "その他".
  std::vector<std::string> others = {std::string(kOtherCategoryName),
                                     std::string(kOtherCategoryName)};
  if (args.Has("--others")) {
    std::vector<std::string> words;
    if (!SplitNames(args.Value("--others"), 2, &words)) {
      return UsageError(io, tool, "--others takes two names: C_a/C_b");
    }
    for (int i = 0; i < 2; ++i) {
      if (!ArgToName(io, "category name", words[i], &others[i])) return kExitFailed;
      others[i] = commands::SelectionAsCategory(others[i]);
    }
  }
  auto document = OpenCatalogFor(io, args.positionals[0], Access::kChange);
  if (!document) return kExitFailed;
  if (std::string warning = commands::CheckNewCategoryName(*document, level, name);
      !warning.empty()) {
    return Fail(io, ToUtf8(warning));
  }
  return ReportSave(io, *document,
                    commands::AddCategory(*document, level, name, others[0], others[1]));
}

int RunCategoryDelete(const Tool& tool, const ParsedArgs& args, ToolIo& io) {
  int level = 0;
  if (!ParseLevel(io, tool, args.positionals[1], &level)) return kExitUsage;
  std::string name;
  if (!ArgToCp932(io, "category name", args.positionals[2], &name)) return kExitFailed;
  auto document = OpenCatalogFor(io, args.positionals[0], Access::kChange);
  if (!document) return kExitFailed;
  // Naming the category on the command line is the confirmation the window asks for.
  commands::CategoryDeleteCheck check = commands::CheckCategoryDelete(*document, level, name);
  if (!check.allowed) return Fail(io, ToUtf8(check.warning));
  return ReportSave(io, *document, commands::DeleteCategory(*document, level, name));
}

}  // namespace veldra::cli
