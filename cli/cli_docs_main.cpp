// veldra_cli_docs man|bash-completion: prints veldra-cli's manual page or its bash
// completion, for the build to install.
#include <iostream>
#include <string>

#include "cli/cli_docs.h"

int main(int argc, char** argv) {
  const std::string what = argc == 2 ? argv[1] : "";
  if (what == "man") {
    veldra::cli::WriteManPage(std::cout);
  } else if (what == "bash-completion") {
    veldra::cli::WriteBashCompletion(std::cout);
  } else {
    std::cerr << "usage: veldra_cli_docs man|bash-completion\n";
    return 2;
  }
  std::cout.flush();
  return std::cout ? 0 : 1;
}
