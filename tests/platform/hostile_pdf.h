// PDF files built to hurt a PDF reader, for the text worker's tests: each is small on disk.
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

}  // namespace veldra::testing
