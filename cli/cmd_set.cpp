#include "cli/catalog_session.h"
#include "cli/cli_text.h"
#include "cli/tools.h"
#include "commands/entry_edit.h"

namespace veldra::cli {
namespace {

// Reads option into field when it was given. false after a complaint.
bool ReadText(ToolIo& io, const ParsedArgs& args, const char* option, size_t max_bytes,
              size_t field_bytes, std::optional<std::string>* field) {
  if (!args.Has(option)) return true;
  std::string text;
  if (!ArgToFieldText(io, std::string(option).substr(2), args.Value(option), max_bytes,
                      field_bytes, &text)) {
    return false;
  }
  *field = text;
  return true;
}

}  // namespace

int RunSet(const Tool& tool, const ParsedArgs& args, ToolIo& io) {
  std::vector<int32_t> ids;
  if (!ParseEntryIds(io, tool, {args.positionals[1]}, &ids)) return kExitUsage;
  commands::EntryEdit edit;
  if (args.Has("--rating")) {
    int rating = -1;
    if (!ParseInt32(args.Value("--rating"), &rating) || rating < 0 ||
        rating > commands::kRatingMax) {
      return UsageError(io, tool, "--rating takes a number from 0 to 5");
    }
    edit.rating = rating;
  }
  using commands::kNoteMaxBytes;
  using commands::kPersonMaxBytes;
  using commands::kTitleMaxBytes;
  if (!ReadText(io, args, "--title", kTitleMaxBytes, 256, &edit.title) ||
      !ReadText(io, args, "--author", kPersonMaxBytes, 256, &edit.author) ||
      !ReadText(io, args, "--editor", kPersonMaxBytes, 256, &edit.editor) ||
      !ReadText(io, args, "--supervisor", kPersonMaxBytes, 256, &edit.supervisor) ||
      !ReadText(io, args, "--translator", kPersonMaxBytes, 256, &edit.translator) ||
      !ReadText(io, args, "--publisher", kPersonMaxBytes, 256, &edit.publisher) ||
      !ReadText(io, args, "--note", kNoteMaxBytes, 512, &edit.note)) {
    return kExitFailed;
  }
  auto document = OpenCatalogFor(io, args.positionals[0], Access::kChange);
  if (!document) return kExitFailed;
  const int rc = commands::EditEntry(*document, ids[0], edit);
  if (rc == commands::kEditNoSuchEntry) return Fail(io, "no entry with id " + args.positionals[1]);
  return ReportSave(io, *document, rc);
}

}  // namespace veldra::cli
