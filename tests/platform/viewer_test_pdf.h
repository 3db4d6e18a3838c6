// Multi-page PDF files for the viewer's tests and benchmarks, written with Qt's PDF writer.
#pragma once

#include <QString>
#include <QStringList>

namespace veldra::testing {

// Writes a PDF of pages A4 pages at path, each showing "Page n" in large type. With
// noise_side > 0 every page also carries an image of noise_side x noise_side random pixels,
// which no compression makes smaller: a way to make large files. false when it cannot be
// written.
bool WriteNumberedPdf(const QString& path, int pages, int noise_side = 0);

// Writes a PDF of A4 pages at path, page n showing pages[n - 1] in the font of font_file,
// else IPAex Gothic (set-up installs both it and DejaVu): one line per line of the text
// ("\n" between lines; nothing is wrapped, so keep lines within about 40 full-width
// characters). The text layer is what real Japanese PDFs carry: embedded CID fonts with
// ToUnicode maps. false when it cannot be written or the font is missing.
bool WriteTextPdf(const QString& path, const QStringList& pages,
                  const QString& font_file = QString());

}  // namespace veldra::testing
