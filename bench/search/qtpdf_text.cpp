// qtpdf_text PDF: writes the text of every page of PDF to standard output, page by page, as
// the viewer's engine reads it (QPdfDocument::getAllText), each page closed by a form feed.
// The extraction benchmark runs it as the QtPdf contender, one process per PDF.
#include <QCoreApplication>
#include <QPdfDocument>
#include <QPdfSelection>
#include <cstdio>

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  if (argc != 2) return 2;
  QPdfDocument document;
  if (document.load(QString::fromLocal8Bit(argv[1])) != QPdfDocument::Error::None) return 1;
  for (int page = 0; page < document.pageCount(); ++page) {
    const QByteArray text = document.getAllText(page).text().toUtf8();
    std::fwrite(text.data(), 1, static_cast<size_t>(text.size()), stdout);
    std::fputc('\f', stdout);
  }
  return 0;
}
