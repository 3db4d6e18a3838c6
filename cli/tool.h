// The frame of veldra-cli: a table of commands ({name, synopsis, description, function}),
// looked up by name, with a suggestion for a name that is not in the table.
//
// Exit codes: 0 success, 1 the operation failed (one line on stderr says why), 2 usage error.
#pragma once

#include <cstddef>
#include <ostream>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "cli/arguments.h"

namespace veldra::cli {

constexpr int kExitOk = 0;
constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;

// Where a command writes: its results to out, its complaints to err (both UTF-8).
struct ToolIo {
  std::ostream& out;
  std::ostream& err;
};

struct Tool;
using ToolFunction = int (*)(const Tool& tool, const ParsedArgs& args, ToolIo& io);

constexpr size_t kAnyCount = static_cast<size_t>(-1);

// The file a command writes, whose writer lock it holds for its whole run: a command that
// changes a catalog never runs beside another writer of it (the application that has it
// open, another veldra-cli command).
enum class Writes {
  kNothing,  // reads only
  kCatalog,  // the catalog, the first positional argument
  kNewPath,  // the file named by the second positional argument (compact's NEWPATH)
};

struct Tool {
  const char* name;
  const char* synopsis;     // the arguments after the name, as in the usage line
  const char* description;  // one line for the command list
  const char* details;      // the options and what they do, for "<command> --help"
  std::span<const OptionSpec> options;
  size_t min_positionals;
  size_t max_positionals;  // kAnyCount: no upper bound
  Writes writes;           // a writing command also takes --wait SECONDS
  ToolFunction run;
};

std::span<const Tool> Tools();
const Tool* FindTool(std::string_view name);
// The known command closest to name, or "" when none is close enough to be meant.
std::string SuggestTool(std::string_view name);

// Runs veldra-cli with args (argv without the program name); returns the exit code.
int RunCli(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

// text with every byte sequence that is not UTF-8 replaced by U+FFFD.
std::string ShownText(const std::string& text);

// Prints "veldra-cli: <message>" on err and returns kExitFailed. Both print the message
// through ShownText.
int Fail(ToolIo& io, const std::string& message);
// "veldra-cli <command> <synopsis>", with "[--wait SECONDS]" for a writing command.
std::string UsageLine(const Tool& tool);

// Prints "veldra-cli <command>: <message>" and the command's usage line; returns kExitUsage.
int UsageError(ToolIo& io, const Tool& tool, const std::string& message);

}  // namespace veldra::cli
