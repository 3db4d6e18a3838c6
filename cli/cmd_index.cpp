// veldra-cli index: brings the search index up to date with a catalog's PDFs and says how
// they stand.
#include <map>
#include <string>
#include <vector>

#include "cli/catalog_session.h"
#include "cli/cli_text.h"
#include "cli/index_session.h"
#include "cli/index_update.h"
#include "cli/tools.h"

namespace veldra::cli {
namespace {

// "  entry 5 (title)", the entry named as the summary lists it.
std::string EntryLine(const CVeldraDocument& document, int32_t entry_id) {
  std::string line = "  entry " + std::to_string(entry_id);
  if (const auto entry = document.FindEntry(entry_id)) {
    line += " (" + ToUtf8(entry->title.Text()) + ")";
  }
  return line;
}

void PrintSummary(const CVeldraDocument& document, const search::IndexerReport& report,
                  std::ostream& out) {
  out << "PDFs: " << report.total << " (extracted now: " << report.extracted << ", "
      << report.pages << " pages)\n"
      << "indexed: " << report.with_text << "\n"
      << "without text: " << report.without_text << "\n";
  std::map<std::string, int> kinds;
  for (const search::IndexedFailure& failure : report.failed) {
    ++kinds[platform::PdfTextFailureName(failure.kind)];
  }
  out << "failed: " << report.failed.size();
  for (auto kind = kinds.begin(); kind != kinds.end(); ++kind) {
    out << (kind == kinds.begin() ? " (" : ", ") << kind->second << " " << kind->first;
  }
  out << (kinds.empty() ? "\n" : ")\n");
  for (const search::IndexedFailure& failure : report.failed) {
    out << EntryLine(document, failure.entry_id) << ": "
        << platform::PdfTextFailureName(failure.kind)
        << (failure.this_run ? "" : " (an earlier run's; --retry-failed tries it again)")
        << "\n";
  }
  const auto list = [&](const char* heading, const std::vector<int32_t>& ids) {
    if (ids.empty()) return;
    out << heading << ": " << ids.size() << "\n";
    for (int32_t id : ids) out << EntryLine(document, id) << "\n";
  };
  list("being indexed by another process", report.claimed_elsewhere);
  list("PDF not reachable", report.unreachable);
}

}  // namespace

int RunIndex(const Tool& tool, const ParsedArgs& args, ToolIo& io) {
  const std::string& catalog = args.positionals[0];
  auto document = OpenCatalogFor(io, catalog, Access::kRead);
  if (!document) return kExitFailed;
  search::IndexStore store;
  if (!OpenSearchIndex(io, store)) return kExitFailed;

  search::IndexerOptions options;
  options.rebuild = args.Flag("--rebuild");
  options.retry_failed = args.Flag("--retry-failed");
  const search::IndexerReport report =
      UpdateIndex(io, search::MakeIndexPlan(*document), store, options);
  const bool unfinished = ReportUnfinishedRun(io, store, report, catalog);
  PrintSummary(*document, report, io.out);
  const bool incomplete = WarnIfIncomplete(io, *document);
  if (!report.unreachable.empty() && !incomplete) {
    Fail(io, "the PDFs of " + std::to_string(report.unreachable.size()) +
                 " entries cannot be reached (run 'veldra-cli check " + catalog + "')");
  }
  return unfinished || incomplete || !report.unreachable.empty() ? kExitFailed : kExitOk;
}

}  // namespace veldra::cli
