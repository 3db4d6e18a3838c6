#include <algorithm>
#include <array>
#include <memory>

#include <QString>

#include "cli/tool.h"
#include "cli/tools.h"
#include "cli/writer_lock.h"
#include "platform/platform.h"

namespace veldra::cli {
namespace {

using K = OptionKind;

constexpr OptionSpec kNoOptions[] = {{"--help", K::kFlag}};
constexpr OptionSpec kWaitOptions[] = {{"--help", K::kFlag}, {"--wait", K::kValue}};
constexpr OptionSpec kImportOptions[] = {
    {"--help", K::kFlag}, {"--wait", K::kValue}, {"--category", K::kValue}};
constexpr OptionSpec kListOptions[] = {{"--help", K::kFlag},
                                       {"--json", K::kFlag},
                                       {"--c1", K::kValue},
                                       {"--c2", K::kValue},
                                       {"--c3", K::kValue}};
constexpr OptionSpec kJsonOptions[] = {{"--help", K::kFlag}, {"--json", K::kFlag}};
constexpr OptionSpec kExportOptions[] = {
    {"--help", K::kFlag}, {"--wait", K::kValue}, {"--all", K::kFlag}, {"--id", K::kList}};
constexpr OptionSpec kIdOptions[] = {
    {"--help", K::kFlag}, {"--wait", K::kValue}, {"--id", K::kList}};
constexpr OptionSpec kCategoryAddOptions[] = {
    {"--help", K::kFlag}, {"--wait", K::kValue}, {"--others", K::kValue}};
constexpr OptionSpec kRecategorizeOptions[] = {{"--help", K::kFlag},
                                               {"--wait", K::kValue},
                                               {"--id", K::kList},
                                               {"--c1", K::kValue},
                                               {"--c2", K::kValue},
                                               {"--c3", K::kValue}};
constexpr OptionSpec kSetOptions[] = {
    {"--help", K::kFlag},        {"--wait", K::kValue},       {"--title", K::kValue},
    {"--rating", K::kValue},     {"--author", K::kValue},     {"--editor", K::kValue},
    {"--supervisor", K::kValue}, {"--translator", K::kValue}, {"--publisher", K::kValue},
    {"--note", K::kValue}};
constexpr OptionSpec kIndexOptions[] = {
    {"--help", K::kFlag}, {"--rebuild", K::kFlag}, {"--retry-failed", K::kFlag}};
constexpr OptionSpec kSearchOptions[] = {{"--help", K::kFlag},
                                         {"--json", K::kFlag},
                                         {"--limit", K::kValue},
                                         {"--order", K::kValue},
                                         {"--no-update", K::kFlag}};

const Tool kTools[] = {
    {"new", "CATALOG", "create a new catalog with the default labels and category",
     "Fails when a file exists at CATALOG.\n", kWaitOptions, 1, 1, Writes::kCatalog,
     RunNew},
    {"import", "CATALOG PATH... [--category C1/C2/C3]",
     "import PDF files, and every *.pdf below each folder given",
     "  --category C1/C2/C3  the category triple of entries without a companion file\n"
     "                       (default その他/その他/その他; ＜すべて＞ stands for その他)\n"
     "A PDF with a .vdb companion file beside it takes its attributes from the companion.\n"
     "Folders are searched recursively for files ending exactly in \".pdf\"; hidden\n"
     "folders are skipped. Prints \"<entry id><TAB><path>\" for every new entry.\n",
     kImportOptions, 2, kAnyCount, Writes::kCatalog, RunImport},
    {"list", "CATALOG [--json] [--c1 N] [--c2 N] [--c3 N]",
     "list the entries of the chosen categories in the catalog's sort order",
     "  --c1/--c2/--c3 N  keep only entries with the name N at that level (default ＜すべて＞)\n"
     "  --json            print an array of entry objects instead of the 14 list cells\n",
     kListOptions, 1, 1, Writes::kNothing, RunList},
    {"show", "CATALOG ID [--json]", "print every field of one entry",
     "  --json  print the entry as one JSON object\n", kJsonOptions, 2, 2, Writes::kNothing,
     RunShow},
    {"export", "CATALOG DIR (--all | --id N...)",
     "write entries' PDFs and .vdb companion files into a folder",
     "  --all     export every entry\n"
     "  --id N... export the entries with these ids\n"
     "An existing PDF is never overwritten: a numbered name (name-1.pdf, ...) is used.\n"
     "Prints \"<entry id><TAB><written PDF path>\" per entry.\n",
     kExportOptions, 2, 2, Writes::kCatalog, RunExport},
    {"delete", "CATALOG --id N...", "remove entries from the catalog",
     "The PDF bytes stay in the file as dead bytes until a compacted copy is written.\n",
     kIdOptions, 1, 1, Writes::kCatalog, RunDelete},
    {"compact", "CATALOG NEWPATH", "write a compacted copy of the catalog to a new file",
     "NEWPATH may not be the catalog itself. A file at NEWPATH is replaced only once the\n"
     "copy is complete.\n",
     kWaitOptions, 2, 2, Writes::kNewPath, RunCompact},
    {"categories", "CATALOG [--json]", "print the three level labels and every category",
     "  --json  print {\"labels\": [...], \"categories\": [...]}\n", kJsonOptions, 1, 1,
     Writes::kNothing, RunCategories},
    {"label", "CATALOG LEVEL TEXT", "rename the label of category level 1, 2 or 3", "",
     kWaitOptions, 3, 3, Writes::kCatalog, RunLabel},
    {"category-add", "CATALOG LEVEL NAME [--others C_a/C_b]",
     "add a category name at one level",
     "  --others C_a/C_b  the names of the two other levels, in level order\n"
     "                    (default その他/その他)\n",
     kCategoryAddOptions, 3, 3, Writes::kCatalog, RunCategoryAdd},
    {"category-delete", "CATALOG LEVEL NAME",
     "delete every category holding NAME at one level",
     "Refused for ＜すべて＞, その他 and names that an entry uses.\n", kWaitOptions, 3, 3,
     Writes::kCatalog, RunCategoryDelete},
    {"recategorize", "CATALOG --id N... [--c1 NAME] [--c2 NAME] [--c3 NAME]",
     "change the categories of several entries at once",
     "  --c1/--c2/--c3 NAME  the new name at that level; a level not given is left as it is\n"
     "Missing category triples are added.\n",
     kRecategorizeOptions, 1, 1, Writes::kCatalog, RunRecategorize},
    {"set", "CATALOG ID [--title T] [--rating 0-5] [--author A] ...",
     "edit an entry's attributes",
     "  --title T       at most 127 bytes in CP932\n"
     "  --rating 0-5    the number of stars (0: none)\n"
     "  --author A, --editor E, --supervisor S, --translator T, --publisher P\n"
     "                  at most 127 bytes in CP932 each\n"
     "  --note N        at most 255 bytes in CP932\n",
     kSetOptions, 2, 2, Writes::kCatalog, RunSet},
    {"check", "CATALOG", "verify the container, record sizes, entry ids and attachment links",
     "Exit 0 when sound; exit 1 with one line per problem found. What it reports as\n"
     "damage, every changing command refuses; what a write cut short left, the next\n"
     "change puts right.\n",
     kNoOptions, 1, 1,
     Writes::kNothing, RunCheck},
    {"dump", "CATALOG", "print every chunk in physical order",
     "One line per chunk: offset, tag, length, prev-in-tag, next-in-tag, prev-head,\n"
     "next-head, live or dead.\n",
     kNoOptions, 1, 1, Writes::kNothing, RunDump},
    {"salvage", "CATALOG NEWPATH",
     "write a new, sound catalog with everything recoverable from a damaged one",
     "Walks CATALOG chunk by chunk in file order, so that records a broken link cut off\n"
     "from their list are found too; records deleted on purpose stay deleted. Of copies\n"
     "of one entry the newer (updated date, then place in the file) is kept; two entries\n"
     "under one id are both kept, the later under a fresh id.\n"
     "NEWPATH must not exist; it is never replaced. Prints what was recovered and lost.\n"
     "Exit 0 when everything found was recovered, 1 when something was lost (NEWPATH is\n"
     "still written) or nothing could be written.\n",
     kWaitOptions, 2, 2, Writes::kNewPath, RunSalvage},
    {"index", "CATALOG [--rebuild] [--retry-failed]",
     "bring the full-text search index up to date with the catalog's PDFs",
     "  --rebuild       forget what the index holds of the catalog's PDFs, extract them again\n"
     "  --retry-failed  try again the PDFs whose extraction failed before\n"
     "The index is a cache ($XDG_CACHE_HOME/veldra/index.sqlite); the catalog is only read.\n"
     "Progress on a terminal; at the end the PDFs indexed, without text (scans), failed\n"
     "with their kinds, and those another process was indexing. Exit 0 when every PDF was\n"
     "dealt with (PDFs that failed included), 1 when the run stopped early or the catalog\n"
     "is damaged (what its lists reach is indexed).\n",
     kIndexOptions, 1, 1, Writes::kNothing, RunIndex},
    {"search", "CATALOG QUERY... [--json] [--limit N] [--order relevance|list] [--no-update]",
     "find the entries whose PDF text or attributes hold every term of a query",
     "  --json       print an array of {\"en_id\", \"title\", \"hits\", \"pages\", \"snippets\"}\n"
     "  --limit N    at most N entries (N >= 1)\n"
     "  --order relevance|list\n"
     "               by relevance (default) or in the entry list's order\n"
     "  --no-update  search the index as it is, without indexing new PDFs first (as\n"
     "               'veldra-cli index' does, with its progress on a terminal)\n"
     "The QUERY words are one query, joined by spaces: terms that must all match, in the\n"
     "PDF's text or the entry's attributes; \"a phrase\" in quotes (in the shell:\n"
     "'\"a phrase\"'), title:, person:, category:, note:, text: limit a term to a field.\n"
     "Case and full/half width do not matter. A query word starting with \"--\" comes\n"
     "after \"--\". Prints one block per entry: id and title, hits, pages, snippets with\n"
     "the match in [brackets] (in bold on a terminal).\n"
     "Exit codes as grep's, unlike the other commands: 0 entries were found, 1 none,\n"
     "2 an error (a bad query or option, a catalog or an index that cannot be used).\n",
     kSearchOptions, 2, kAnyCount, Writes::kNothing, RunSearch},
};

size_t EditDistance(std::string_view a, std::string_view b) {
  std::vector<size_t> row(b.size() + 1);
  for (size_t j = 0; j <= b.size(); ++j) row[j] = j;
  for (size_t i = 1; i <= a.size(); ++i) {
    size_t diagonal = row[0];
    row[0] = i;
    for (size_t j = 1; j <= b.size(); ++j) {
      size_t above = row[j];
      row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] != b[j - 1] ? 1 : 0)});
      diagonal = above;
    }
  }
  return row[b.size()];
}

void PrintToolList(std::ostream& out) {
  out << "usage: veldra-cli <command> [arguments]\n"
         "       veldra-cli <command> --help\n\ncommands:\n";
  for (const Tool& tool : kTools) {
    std::string name = tool.name;
    name.resize(std::max<size_t>(name.size(), 16), ' ');
    out << "  " << name << tool.description << "\n";
  }
  out << "\nA command that changes a catalog refuses one that another VELDRA process has\n"
         "open (the application, or another such command), or waits for it with --wait.\n"
         "\nexit codes: 0 success, 1 the operation failed, 2 usage error\n"
         "(search, as grep: 0 entries found, 1 none found, 2 error)\n";
}

void PrintToolHelp(const Tool& tool, std::ostream& out) {
  out << "usage: " << UsageLine(tool) << "\n" << tool.description << "\n";
  if (tool.details[0] != '\0') out << "\n" << tool.details;
  if (tool.writes != Writes::kNothing) {
    out << (tool.details[0] != '\0' ? "" : "\n") << WaitHelp(tool);
  }
}

}  // namespace

std::span<const Tool> Tools() { return kTools; }

const Tool* FindTool(std::string_view name) {
  for (const Tool& tool : kTools) {
    if (name == tool.name) return &tool;
  }
  return nullptr;
}

std::string SuggestTool(std::string_view name) {
  std::string best;
  size_t best_distance = static_cast<size_t>(-1);
  for (const Tool& tool : kTools) {
    std::string_view candidate = tool.name;
    size_t distance = EditDistance(name, candidate);
    if (!name.empty() && candidate.starts_with(name)) distance = std::min<size_t>(distance, 1);
    if (distance < best_distance) {
      best_distance = distance;
      best = tool.name;
    }
  }
  // Close enough to be a slip of the fingers: a few edits, fewer than half the letters.
  if (best_distance <= 2 && best_distance * 2 < std::max<size_t>(name.size(), 2)) return best;
  return "";
}

// A complaint may quote an argument whose bytes are not UTF-8; what is printed always is:
// such bytes become U+FFFD.
std::string ShownText(const std::string& text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())).toStdString();
}

int Fail(ToolIo& io, const std::string& message) {
  io.err << "veldra-cli: " << ShownText(message) << "\n";
  return kExitFailed;
}

std::string UsageLine(const Tool& tool) {
  std::string line = std::string("veldra-cli ") + tool.name + " " + tool.synopsis;
  if (tool.writes != Writes::kNothing) line += " [--wait SECONDS]";
  return line;
}

int UsageError(ToolIo& io, const Tool& tool, const std::string& message) {
  io.err << "veldra-cli " << tool.name << ": " << ShownText(message) << "\n"
         << "usage: " << UsageLine(tool) << "\n";
  return kExitUsage;
}

int RunCli(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  ToolIo io{out, err};
  if (args.empty()) {
    PrintToolList(err);
    return kExitUsage;
  }
  const std::string& name = args.front();
  if (name == "--help" || name == "-h" || name == "help") {
    if (name == "help" && args.size() > 1) {
      if (const Tool* tool = FindTool(args[1])) {
        PrintToolHelp(*tool, out);
        return kExitOk;
      }
    }
    PrintToolList(out);
    return kExitOk;
  }
  const Tool* tool = FindTool(name);
  if (tool == nullptr) {
    err << "veldra-cli: unknown command '" << ShownText(name) << "'";
    if (std::string suggestion = SuggestTool(name); !suggestion.empty()) {
      err << ", did you mean '" << suggestion << "'?";
    }
    err << "\n(run 'veldra-cli --help' for the list of commands)\n";
    return kExitUsage;
  }
  std::vector<std::string> rest(args.begin() + 1, args.end());
  ParsedArgs parsed;
  std::string error;
  if (!ParseArguments(rest, tool->options, &parsed, &error)) return UsageError(io, *tool, error);
  if (parsed.Flag("--help")) {
    PrintToolHelp(*tool, out);
    return kExitOk;
  }
  size_t count = parsed.positionals.size();
  if (count < tool->min_positionals) return UsageError(io, *tool, "missing arguments");
  if (tool->max_positionals != kAnyCount && count > tool->max_positionals) {
    return UsageError(io, *tool, "unexpected argument '" + parsed.positionals.back() + "'");
  }
  std::unique_ptr<platform::FileLock> lock;  // held until the command has ended
  if (int code = TakeWriterLock(io, *tool, parsed, &lock); code != kExitOk) return code;
  return tool->run(*tool, parsed, io);
}

}  // namespace veldra::cli
