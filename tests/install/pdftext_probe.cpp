// Finds the text worker the way the application and veldra-cli do, from the folder of this
// program's own executable, and extracts a small PDF with it; the install test places it
// where those programs are installed. Prints the worker's path and the page text; exit 0
// when the text is the PDF's.
#include <unistd.h>

#include <cstdio>
#include <string>

#include "platform/pdf_text_worker.h"
#include "tests/commands/test_pdf.h"

int main(int argc, char** argv) {
  using namespace veldra::platform;
  if (argc != 2) return 2;
  const std::string pdf = argv[1];
  if (!veldra::testing::WritePdfFile(pdf, "installed worker")) return 2;
  const std::string worker_path = FindPdfTextWorker();
  PdfTextWorker worker(worker_path, {});
  const PdfTextResult result = worker.Extract(pdf, 0, veldra::testing::MakePdf("installed worker").size());
  std::printf("%s\n%s\n", worker_path.c_str(), result.pages.empty() ? "" : result.pages[0].c_str());
  return result.pages == std::vector<std::string>{"installed worker"} ? 0 : 1;
}
