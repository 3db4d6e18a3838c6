// Command-line arguments of one veldra-cli command: positional words and "--name" options.
//
// An option is a flag ("--json"), takes one value ("--c1 NAME", also "--c1=NAME"), or takes
// a list of values ("--id 3 4 5": every following word up to the next word starting with
// "--"). A word "--" ends the options; everything after it is positional.
#pragma once

#include <map>
#include <set>
#include <span>
#include <string>
#include <vector>

namespace veldra::cli {

enum class OptionKind { kFlag, kValue, kList };

struct OptionSpec {
  const char* name;  // with its leading "--"
  OptionKind kind;
};

struct ParsedArgs {
  std::vector<std::string> positionals;
  std::set<std::string> flags;
  std::map<std::string, std::vector<std::string>> values;  // kValue: one item; kList: many

  bool Flag(const std::string& name) const { return flags.count(name) != 0; }
  bool Has(const std::string& name) const { return values.count(name) != 0; }
  // The value of a kValue option, or "" when it was not given.
  const std::string& Value(const std::string& name) const;
  // The values of a kList option (empty when it was not given).
  const std::vector<std::string>& List(const std::string& name) const;
};

// Parses args (the words after the command name). false with *error set on an unknown
// option, a value option without its value, a list option without any value, or a value
// option given twice.
bool ParseArguments(const std::vector<std::string>& args, std::span<const OptionSpec> options,
                    ParsedArgs* out, std::string* error);

// A whole decimal number that fits in 32 bits ("-3", "42"); false for anything else.
bool ParseInt32(const std::string& text, int* out);

}  // namespace veldra::cli
