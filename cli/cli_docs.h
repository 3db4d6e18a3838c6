// The manual page and the bash completion of veldra-cli, written from the command table so
// that they say what `veldra-cli --help` says (cli_docs_main.cpp writes them at build time).
#pragma once

#include <ostream>

namespace veldra::cli {

// veldra-cli(1) in roff (man macros), UTF-8.
void WriteManPage(std::ostream& out);

// A bash completion script: the command names, then each command's options.
void WriteBashCompletion(std::ostream& out);

}  // namespace veldra::cli
