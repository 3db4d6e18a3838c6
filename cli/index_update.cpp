#include "cli/index_update.h"

#include <cstdio>
#include <string>

#include "cli/index_session.h"

namespace veldra::cli {

search::IndexerReport UpdateIndex(ToolIo& io, const search::IndexPlan& plan,
                                  search::IndexStore& store,
                                  const search::IndexerOptions& options) {
  search::IndexerProgressCallback show;
  bool shown = false;
  if (IsTerminal(io.err)) {
    show = [&](const search::IndexerProgress& progress) {
      char line[96];
      std::snprintf(line, sizeof line, "\rindexing: %d / %d PDFs, %.1f pages/s\x1b[K",
                    progress.done, progress.total, progress.pages_per_second);
      io.err << line << std::flush;
      shown = true;
    };
  }
  search::IndexerReport report = search::RunIndexer(plan, store, options, show);
  if (shown) io.err << "\r\x1b[K" << std::flush;
  return report;
}

bool ReportUnfinishedRun(ToolIo& io, search::IndexStore& store,
                         const search::IndexerReport& report, const std::string& catalog) {
  switch (report.stop) {
    case search::IndexerStop::kFinished:
      return false;
    case search::IndexerStop::kStoreFailed:
      ReportIndexProblem(io, store, report.store_problem);
      return true;
    case search::IndexerStop::kWorkerNotStarted:
      Fail(io, std::string(search::IndexerStopText(report.stop)) +
                   " (it is looked for in $VELDRA_PDFTEXT, beside veldra-cli, then in "
                   "../lib/veldra/ from it); the PDFs of " + catalog +
                   " not indexed yet were left as they are");
      return true;
    default:
      Fail(io, catalog + ": " + search::IndexerStopText(report.stop) +
                   "; the PDFs indexed so far are kept (run the command again for the rest)");
      return true;
  }
}

}  // namespace veldra::cli
