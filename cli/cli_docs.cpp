#include "cli/cli_docs.h"

#include <sstream>
#include <string>
#include <string_view>

#include "cli/tool.h"
#include "cli/writer_lock.h"

namespace veldra::cli {
namespace {

// One line of text as roff: backslashes doubled, hyphens kept as hyphens (so that options
// can be searched for and copied), and a line that would start a request guarded.
std::string RoffLine(std::string_view line) {
  std::string out;
  if (!line.empty() && (line.front() == '.' || line.front() == '\'')) out += "\\&";
  for (char c : line) {
    if (c == '\\') {
      out += "\\e";
    } else if (c == '-') {
      out += "\\-";
    } else {
      out += c;
    }
  }
  return out;
}

// Text of several lines as literal roff lines.
void WriteLiteral(std::ostream& out, std::string_view text) {
  std::istringstream lines{std::string(text)};
  std::string line;
  while (std::getline(lines, line)) out << RoffLine(line) << "\n";
}

}  // namespace

void WriteManPage(std::ostream& out) {
  out << ".\\\" -*- coding: UTF-8 -*-\n"
         ".TH VELDRA-CLI 1 \"\" \"VELDRA\" \"User Commands\"\n"
         ".SH NAME\n"
         "veldra\\-cli \\- the VELDRA catalog operations on the command line\n"
         ".SH SYNOPSIS\n"
         ".B veldra\\-cli\n"
         ".I command\n"
         "[\\fIarguments\\fR]\n"
         ".br\n"
         ".B veldra\\-cli\n"
         ".I command\n"
         ".B \\-\\-help\n"
         ".SH DESCRIPTION\n"
         "veldra\\-cli reads and changes VELDRA catalogs (.vdc files) for scripts: the\n"
         "operations of the application, without its windows.\n"
         "A command that changes a catalog refuses one that another VELDRA process has\n"
         "open (the application, or another such command), or waits for it with\n"
         ".BR \\-\\-wait .\n"
         ".SH COMMANDS\n";
  for (const Tool& tool : Tools()) {
    out << ".SS " << RoffLine(tool.name) << "\n"
        << ".nf\n"
        << RoffLine(UsageLine(tool)) << "\n"
        << ".fi\n"
        << RoffLine(tool.description) << ".\n";
    std::string details = tool.details;
    if (tool.writes != Writes::kNothing) details += WaitHelp(tool);
    if (!details.empty()) {
      out << ".PP\n.nf\n";
      WriteLiteral(out, details);
      out << ".fi\n";
    }
  }
  out << ".SH EXIT STATUS\n"
         "0 success, 1 the operation failed (one line on standard error says why),\n"
         "2 usage error.\n"
         ".B search\n"
         "follows grep instead: 0 entries were found, 1 none, 2 an error.\n"
         ".SH SEE ALSO\n"
         ".BR veldra (1)\n";
}

void WriteBashCompletion(std::ostream& out) {
  out << "# bash completion for veldra-cli\n"
         "_veldra_cli() {\n"
         "  local cur=\"${COMP_WORDS[COMP_CWORD]}\"\n"
         "  if [ \"$COMP_CWORD\" -eq 1 ]; then\n"
         "    COMPREPLY=($(compgen -W \"help --help";
  for (const Tool& tool : Tools()) out << " " << tool.name;
  out << "\" -- \"$cur\"))\n"
         "    return\n"
         "  fi\n"
         "  local options=\"\"\n"
         "  case \"${COMP_WORDS[1]}\" in\n";
  for (const Tool& tool : Tools()) {
    out << "    " << tool.name << ") options=\"";
    bool first = true;
    for (const OptionSpec& option : tool.options) {
      out << (first ? "" : " ") << option.name;
      first = false;
    }
    out << "\" ;;\n";
  }
  out << "  esac\n"
         "  if [[ \"$cur\" == -* ]]; then\n"
         "    COMPREPLY=($(compgen -W \"$options\" -- \"$cur\"))\n"
         "  else\n"
         "    COMPREPLY=($(compgen -f -- \"$cur\"))\n"
         "  fi\n"
         "}\n"
         "complete -o filenames -F _veldra_cli veldra-cli\n";
}

}  // namespace veldra::cli
