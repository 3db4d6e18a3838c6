#include "cli/catalog_session.h"
#include "cli/cli_text.h"
#include "cli/tools.h"
#include "commands/batch_category_change.h"
#include "storage/category_names.h"

namespace veldra::cli {

int RunRecategorize(const Tool& tool, const ParsedArgs& args, ToolIo& io) {
  if (!args.Has("--id")) return UsageError(io, tool, "give the entries with --id N...");
  std::vector<int32_t> ids;
  if (!ParseEntryIds(io, tool, args.List("--id"), &ids)) return kExitUsage;
  // A level not given stays as it is; an empty name becomes "その他", as in the dialog.
  commands::CategoryTriple combo_texts;
  const char* options[3] = {"--c1", "--c2", "--c3"};
  for (int l = 0; l < 3; ++l) {
    combo_texts[l] = std::string(kUnchangedCategoryName);
    if (args.Has(options[l]) &&
        !ArgToName(io, "category name", args.Value(options[l]), &combo_texts[l])) {
      return kExitFailed;
    }
  }
  const commands::CategoryTriple chosen = commands::ChosenBatchNames(combo_texts);
  if (std::string warning = commands::CheckBatchNames(chosen); !warning.empty()) {
    return Fail(io, ToUtf8(warning));
  }
  auto document = OpenCatalogFor(io, args.positionals[0], Access::kChange);
  if (!document) return kExitFailed;
  if (!RequireEntries(io, *document, ids)) return kExitFailed;
  return ReportSave(io, *document, commands::ChangeCategories(*document, ids, chosen));
}

}  // namespace veldra::cli
