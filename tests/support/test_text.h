// Text of the tests: source files are UTF-8, the system's strings are CP932.
#pragma once

#include <string>
#include <string_view>

namespace veldra::testing {

// The CP932 bytes of UTF-8 source text. Every character must have a CP932 form: a literal
// that has none is a mistake in the test, and the test program stops with its text.
std::string Sjis(std::string_view utf8);

// The UTF-8 form of CP932 text, for messages and comparisons with literals.
std::string Utf8(std::string_view cp932);

}  // namespace veldra::testing

// Every test of every layer reads these by their short names.
namespace veldra {
using testing::Sjis;
using testing::Utf8;
}  // namespace veldra
