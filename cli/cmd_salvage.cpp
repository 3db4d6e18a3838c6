#include <string>

#include "cli/cli_text.h"
#include "cli/tools.h"
#include "commands/salvage.h"
#include "platform/platform.h"

namespace veldra::cli {
namespace {

void PrintReport(const commands::SalvageReport& report, std::ostream& out) {
  out << "entries recovered: " << report.live_entries + report.cut_off_entries << " ("
      << report.live_entries << " live, " << report.cut_off_entries
      << " from cut-off chunks)\n"
      << "PDFs copied: " << report.pdfs << "\n";
  for (const auto& duplicate : report.duplicates) {
    out << "duplicate entry id " << duplicate.id << ": kept the newest record, at "
        << duplicate.kept_at << "; dropped the record(s) at";
    for (int64_t at : duplicate.dropped_at) out << " " << at;
    out << "\n";
  }
  for (const auto& entry : report.renumbered) {
    out << "entry " << entry.old_id << " (" << ShownText(ToUtf8(entry.title)) << ", at "
        << entry.kept_at << ") kept under the new id " << entry.new_id
        << ": its id was negative or held by another entry\n";
  }
  for (const auto& dropped : report.dropped) {
    out << "dropped the record at " << dropped.offset << ": " << dropped.what << "\n";
  }
  for (const auto& entry : report.without_pdf) {
    out << "entry " << entry.id << " (" << ShownText(ToUtf8(entry.title))
        << ") recovered without its PDF: " << entry.why << "\n";
  }
  for (const auto& chunk : report.unreadable) {
    out << "could not be read at " << chunk.offset << ": " << chunk.reason << "\n";
  }
}

}  // namespace

int RunSalvage(const Tool& tool, const ParsedArgs& args, ToolIo& io) {
  const std::string& utf8_source = args.positionals[0];
  const std::string& utf8_target = args.positionals[1];
  std::string source;
  std::string target;
  if (!ArgToCp932(io, "catalog path", utf8_source, &source) ||
      !ArgToCp932(io, "new path", utf8_target, &target)) {
    return kExitFailed;
  }
  if (!platform::Platform::Current().FileExists(source)) {
    return Fail(io, "no catalog at " + utf8_source);
  }
  commands::SalvageReport report;
  const int rc = commands::SalvageCatalog(source, target, &report);
  if (rc == commands::kSalvageNotContainer) {
    std::string why = commands::SalvageResultText(rc);
    for (const auto& problem : report.unreadable) why += "; " + problem.reason;
    return Fail(io, utf8_source + ": " + why);
  }
  if (rc != commands::kSalvageOk) {
    return Fail(io, "salvage to " + utf8_target + ": " + commands::SalvageResultText(rc));
  }
  PrintReport(report, io.out);
  if (report.Lost()) {
    return Fail(io, "not everything found could be recovered (see above); " + utf8_target +
                        " holds everything that was recovered");
  }
  return kExitOk;
}

}  // namespace veldra::cli
