// e2e_make_pdf PATH TEXT [MIN_SIZE]: writes a small valid one-page PDF showing TEXT, for the
// end-to-end test to import.
// e2e_make_pdf PATH --pages TEXT...: writes a PDF of one page per TEXT with a real text layer
// (embedded fonts), for the search to find each TEXT on its page.
#include <QGuiApplication>
#include <QStringList>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "tests/commands/test_pdf.h"
#include "tests/platform/viewer_test_pdf.h"

int main(int argc, char** argv) {
  if (argc >= 4 && std::strcmp(argv[2], "--pages") == 0) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    QStringList pages;
    for (int i = 3; i < argc; ++i) pages << QString::fromLocal8Bit(argv[i]);
    if (!veldra::testing::WriteTextPdf(QString::fromLocal8Bit(argv[1]), pages)) {
      std::fprintf(stderr, "e2e_make_pdf: cannot write %s\n", argv[1]);
      return 1;
    }
    return 0;
  }
  if (argc < 3 || argc > 4) {
    std::fprintf(stderr, "usage: e2e_make_pdf PATH TEXT [MIN_SIZE]\n"
                         "       e2e_make_pdf PATH --pages TEXT...\n");
    return 2;
  }
  const size_t min_size = argc == 4 ? std::strtoull(argv[3], nullptr, 10) : 0;
  if (!veldra::testing::WritePdfFile(argv[1], argv[2], min_size)) {
    std::fprintf(stderr, "e2e_make_pdf: cannot write %s\n", argv[1]);
    return 1;
  }
  return 0;
}
