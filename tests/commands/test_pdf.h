// Small, valid PDF files for tests and benchmarks: one page with one line of text, a correct
// cross-reference table, and optionally a padding stream that brings the file to a size.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace veldra::testing {

// A PDF of the given objects, numbered from 1 (object 1 is the catalog), with a correct
// cross-reference table; trailer holds further entries of the trailer ("/Encrypt 9 0 R").
std::string AssemblePdf(const std::vector<std::string>& objects, const std::string& trailer = "");

// A one-page PDF showing text (ASCII). When min_size is larger than the plain document, an
// extra stream object pads the file to at least min_size bytes.
std::string MakePdf(const std::string& text, size_t min_size = 0);

// A PDF of pages US-letter pages, page n showing "Page n", with an outline of chapters
// entries "Chapter 1", "Chapter 2", ... that lead to evenly spaced pages (none when 0).
std::string MakeBookPdf(int pages, int chapters);

// Writes MakePdf(text, min_size) to path (UTF-8/CP932-safe ASCII paths; real file system).
bool WritePdfFile(const std::string& path, const std::string& text, size_t min_size = 0);

// True when bytes start with "%PDF-" and end with "%%EOF" (and a line end).
bool LooksLikePdf(const std::string& bytes);

}  // namespace veldra::testing
