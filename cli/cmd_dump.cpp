#include "cli/catalog_session.h"
#include "cli/cli_text.h"
#include "cli/tools.h"
#include "commands/catalog_check.h"
#include "storage/chunk_inspect.h"

namespace veldra::cli {

int RunDump(const Tool& tool, const ParsedArgs& args, ToolIo& io) {
  const std::string& utf8_path = args.positionals[0];
  std::string path;
  if (!ArgToCp932(io, "catalog path", utf8_path, &path)) return kExitFailed;
  if (!RequireCatalogFile(io, path, utf8_path)) return kExitFailed;
  ContainerReport report;
  if (!InspectContainer(path, &report)) {
    return Fail(io, utf8_path + ": " +
                        (report.problems.empty() ? "not a container" : report.problems.front()));
  }
  io.out << "offset\ttag\tlength\tprev_in_tag\tnext_in_tag\tprev_head\tnext_head\tstate\n";
  for (const ChunkRecord& chunk : report.chunks) {
    const ChunkHeader& h = chunk.header;
    io.out << chunk.offset << "\t" << commands::TagText(h.tag) << "\t" << h.length << "\t"
           << h.prev_in_tag << "\t" << h.next_in_tag << "\t" << h.prev_head << "\t"
           << h.next_head << "\t" << (chunk.live ? "live" : "dead") << "\n";
  }
  for (const std::string& problem : report.problems) {
    io.err << "veldra-cli: warning: " << problem << "\n";
  }
  return kExitOk;
}

}  // namespace veldra::cli
