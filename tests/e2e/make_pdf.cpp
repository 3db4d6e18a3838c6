// e2e_make_pdf PATH TEXT [MIN_SIZE]: writes a small valid one-page PDF showing TEXT, for the
// end-to-end test to import.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "tests/commands/test_pdf.h"

int main(int argc, char** argv) {
  if (argc < 3 || argc > 4) {
    std::fprintf(stderr, "usage: e2e_make_pdf PATH TEXT [MIN_SIZE]\n");
    return 2;
  }
  const size_t min_size = argc == 4 ? std::strtoull(argv[3], nullptr, 10) : 0;
  if (!veldra::testing::WritePdfFile(argv[1], argv[2], min_size)) {
    std::fprintf(stderr, "e2e_make_pdf: cannot write %s\n", argv[1]);
    return 1;
  }
  return 0;
}
