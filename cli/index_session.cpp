#include "cli/index_session.h"

#include <unistd.h>

#include <iostream>

#include "cli/cli_text.h"

namespace veldra::cli {
namespace {

void WarnSetAside(ToolIo& io, const std::string& index, const std::string& set_aside) {
  io.err << "veldra-cli: warning: the search index " << index
         << " was damaged or another program's; it was moved to " << ToUtf8(set_aside)
         << " and a new, empty index was made in its place\n";
}

}  // namespace

bool IsTerminal(const std::ostream& stream) {
  if (&stream == &std::cout) return isatty(STDOUT_FILENO) == 1;
  if (&stream == &std::cerr) return isatty(STDERR_FILENO) == 1;
  return false;
}

bool OpenSearchIndex(ToolIo& io, search::IndexStore& store) {
  const std::string path = search::IndexStore::DefaultPath();
  const search::StoreOpening opening = store.Open(path);
  if (opening.problem != search::StoreProblem::kNone) {
    if (path.empty()) {
      Fail(io, std::string("the search index cannot be opened: ") +
                   search::StoreProblemText(opening.problem));
    } else {
      Fail(io, "the search index " + ToUtf8(path) + " cannot be opened: " +
                   search::StoreProblemText(opening.problem));
    }
    return false;
  }
  if (!opening.set_aside.empty()) WarnSetAside(io, ToUtf8(path), opening.set_aside);
  return true;
}

void ReportIndexProblem(ToolIo& io, search::IndexStore& store, search::StoreProblem problem) {
  const std::string path = ToUtf8(store.path());
  Fail(io, "the search index " + path + " failed: " + search::StoreProblemText(problem));
  if (problem != search::StoreProblem::kDamaged) return;
  const search::StoreOpening opening = store.SetAsideAndRebuild();
  if (!opening.set_aside.empty()) WarnSetAside(io, path, opening.set_aside);
}

}  // namespace veldra::cli
