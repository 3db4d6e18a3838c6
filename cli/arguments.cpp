#include "cli/arguments.h"

#include <charconv>
#include <climits>

namespace veldra::cli {
namespace {

const OptionSpec* FindSpec(std::span<const OptionSpec> options, const std::string& name) {
  for (const OptionSpec& option : options) {
    if (name == option.name) return &option;
  }
  return nullptr;
}

bool IsOptionWord(const std::string& word) {
  return word.size() > 2 && word[0] == '-' && word[1] == '-';
}

}  // namespace

const std::string& ParsedArgs::Value(const std::string& name) const {
  static const std::string kEmpty;
  auto it = values.find(name);
  return it == values.end() || it->second.empty() ? kEmpty : it->second.front();
}

const std::vector<std::string>& ParsedArgs::List(const std::string& name) const {
  static const std::vector<std::string> kNone;
  auto it = values.find(name);
  return it == values.end() ? kNone : it->second;
}

bool ParseArguments(const std::vector<std::string>& args, std::span<const OptionSpec> options,
                    ParsedArgs* out, std::string* error) {
  *out = ParsedArgs();
  bool options_ended = false;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& word = args[i];
    if (options_ended || !IsOptionWord(word)) {
      if (!options_ended && word == "--") {
        options_ended = true;
        continue;
      }
      out->positionals.push_back(word);
      continue;
    }
    std::string name = word;
    std::string inline_value;
    bool has_inline = false;
    if (size_t eq = word.find('='); eq != std::string::npos) {
      name = word.substr(0, eq);
      inline_value = word.substr(eq + 1);
      has_inline = true;
    }
    const OptionSpec* option = FindSpec(options, name);
    if (option == nullptr) {
      *error = "unknown option " + name;
      return false;
    }
    switch (option->kind) {
      case OptionKind::kFlag:
        if (has_inline) {
          *error = "option " + name + " takes no value";
          return false;
        }
        out->flags.insert(name);
        break;
      case OptionKind::kValue: {
        if (out->values.count(name) != 0) {
          *error = "option " + name + " given twice";
          return false;
        }
        if (!has_inline) {
          if (i + 1 >= args.size()) {
            *error = "option " + name + " needs a value";
            return false;
          }
          inline_value = args[++i];
        }
        out->values[name].push_back(inline_value);
        break;
      }
      case OptionKind::kList: {
        std::vector<std::string>& list = out->values[name];
        size_t before = list.size();
        if (has_inline) list.push_back(inline_value);
        while (i + 1 < args.size() && !IsOptionWord(args[i + 1]) && args[i + 1] != "--") {
          list.push_back(args[++i]);
        }
        if (list.size() == before) {
          *error = "option " + name + " needs at least one value";
          return false;
        }
        break;
      }
    }
  }
  return true;
}

bool ParseInt32(const std::string& text, int* out) {
  if (text.empty()) return false;
  long long value = 0;
  const char* begin = text.data();
  const char* end = text.data() + text.size();
  auto [ptr, ec] = std::from_chars(begin, end, value);
  if (ec != std::errc() || ptr != end) return false;
  if (value < INT_MIN || value > INT_MAX) return false;
  *out = static_cast<int>(value);
  return true;
}

}  // namespace veldra::cli
