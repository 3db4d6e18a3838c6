// What `index` and `search` share: the search index they open (the user's one, in the cache
// folder), its problems worded with the index's path, and whether an output is a terminal.
#pragma once

#include <ostream>
#include <string>

#include "cli/tool.h"
#include "search/index_store.h"

namespace veldra::cli {

// true when stream is this process's standard output or error and that is a terminal: only
// then is progress shown, or a match in bold.
bool IsTerminal(const std::ostream& stream);

// Opens the user's index (IndexStore::DefaultPath). false after a line on io.err naming the
// index's path and what stands in the way (a cache folder that is a file or read-only, an
// index file that is a symbolic link, ...). A damaged or foreign index file is set aside
// and a new one made, with a warning that names both files.
bool OpenSearchIndex(ToolIo& io, search::IndexStore& store);

// A line on io.err for a problem the open index reported while it was used; a damaged index
// is set aside, so that the next run starts a new one.
void ReportIndexProblem(ToolIo& io, search::IndexStore& store, search::StoreProblem problem);

}  // namespace veldra::cli
