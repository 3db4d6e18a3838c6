// Bringing the search index up to date with a catalog's PDFs, as `index` does and `search`
// before it searches: the indexer's run (search/search_indexer.h) with its progress on one
// rewritten line of a terminal.
#pragma once

#include <string>

#include "cli/tool.h"
#include "search/index_plan.h"
#include "search/index_store.h"
#include "search/search_indexer.h"

namespace veldra::cli {

// Runs the indexer over plan into store. While io.err is a terminal, one line there shows
// "indexing: DONE / TOTAL PDFs, N pages/s", rewritten as the run goes and erased at its end;
// elsewhere (a pipe, a file) nothing is shown.
search::IndexerReport UpdateIndex(ToolIo& io, const search::IndexPlan& plan,
                                  search::IndexStore& store,
                                  const search::IndexerOptions& options = {});

// A line on io.err for a run that stopped before it had dealt with every PDF (the worker
// program missing, the catalog file replaced, the index failing); false when it finished.
// catalog: the catalog's path as the user gave it.
bool ReportUnfinishedRun(ToolIo& io, search::IndexStore& store,
                         const search::IndexerReport& report, const std::string& catalog);

}  // namespace veldra::cli
