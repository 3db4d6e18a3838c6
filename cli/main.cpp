// veldra-cli: the catalog operations on the command line, for scripts.
#include <iostream>
#include <string>
#include <vector>

#include "cli/tool.h"

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  int code = veldra::cli::RunCli(args, std::cout, std::cerr);
  std::cout.flush();
  if (!std::cout) {
    std::cerr << "veldra-cli: writing the output failed\n";
    return code == veldra::cli::kExitOk ? veldra::cli::kExitFailed : code;
  }
  return code;
}
