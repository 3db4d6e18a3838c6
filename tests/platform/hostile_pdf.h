// PDF files built to hurt a PDF reader, and one that needs more of it than most, for the text
// worker's tests: each is small on disk.
#pragma once

#include <cstdint>
#include <string>

namespace veldra::testing {

// One page whose content stream inflates to about inflated_bytes of text operators that
// put the word "bomb" on the page over and over, so that a reader's text layer grows with
// the stream: a deflate stream of one block repeated, about 1/1000 of the inflated size.
std::string MakeFlateBombPdf(uint64_t inflated_bytes);

// pages empty pages in one flat page tree.
std::string MakeEmptyPagesPdf(int pages);

// One page of text, encrypted with the standard handler whose /U entry matches no user
// password (not even the empty one): the reader must ask for a password.
std::string MakeLockedPdf();

// One page that draws a filled rectangle and no text: a scan has no text layer either.
std::string MakePictureOnlyPdf();

// One page showing "日本語" in a Japanese font that is not embedded, encoded through the
// predefined CMap 90ms-RKSJ-H (Shift-JIS bytes) and without a ToUnicode map, as older
// Japanese PDFs carry their text: a reader needs the Adobe-Japan1 tables to read it.
std::string MakePredefinedCMapPdf();

}  // namespace veldra::testing
