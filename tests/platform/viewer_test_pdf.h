// Multi-page PDF files for the viewer's tests and benchmarks, written with Qt's PDF writer.
#pragma once

#include <QString>

namespace veldra::testing {

// Writes a PDF of pages A4 pages at path, each showing "Page n" in large type. With
// noise_side > 0 every page also carries an image of noise_side x noise_side random pixels,
// which no compression makes smaller: a way to make large files. false when it cannot be
// written.
bool WriteNumberedPdf(const QString& path, int pages, int noise_side = 0);

}  // namespace veldra::testing
