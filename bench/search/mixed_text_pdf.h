// Generated PDFs of Japanese and English text for the extraction and indexer benchmarks:
// pages of 36 lines, Japanese and English in turn, from a fixed vocabulary, written with the
// tests' writer (WriteTextPdf: IPAex Gothic, embedded CID fonts with ToUnicode maps).
#pragma once

#include <QString>
#include <random>
#include <string>

namespace veldra::bench {

// One page of text.
QString MixedTextPage(std::mt19937* random);

// Writes a PDF of pages such pages at path (UTF-8); false when it cannot be written.
bool WriteMixedTextPdf(const std::string& path, int pages, std::mt19937* random);

}  // namespace veldra::bench
