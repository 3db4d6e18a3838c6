// The characters of CP932 text: which bytes begin a double-byte character, how long the
// character at a position is, and where text may be cut. The only place that knows the
// lead-byte ranges.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace veldra::platform {

// The first byte of a double-byte character: 0x81..0x9F or 0xE0..0xFC.
constexpr bool IsCp932LeadByte(unsigned char c) {
  return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
}

// The bytes of the character that starts at text[i] (i < text.size()): 2 for a lead byte
// with a byte after it, otherwise 1 (a lead byte at the very end stands alone).
size_t Cp932CharLength(std::string_view text, size_t i);

// The length of the longest prefix of text that holds at most max_bytes bytes, splits no
// double-byte character and does not end in a lead byte: a lead byte without its second
// byte at the end of text is dropped even when it would fit.
size_t Cp932CutLength(std::string_view text, size_t max_bytes);

// That prefix.
std::string CutCp932(std::string_view text, size_t max_bytes);

}  // namespace veldra::platform
