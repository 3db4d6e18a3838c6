// The six conversions between UTF-16 record fields, the multibyte code page (CP932) and
// UTF-8. Their cut rules are the limits of every stored text:
// - a UTF-16 field of B bytes holds the byte-order mark, at most B/2 - 2 characters and a NUL;
// - a multibyte buffer of N bytes holds at most N - 1 bytes of text and a NUL.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace veldra {

// Fills a UTF-16LE field of field_size bytes: U+FEFF, the characters of multibyte (cut to
// fit) and a NUL. Units after the NUL are not touched. true, or false when memory is short.
bool ToFieldText(std::string_view multibyte, uint8_t* field, size_t field_size);

// Converts a UTF-16LE field (up to its NUL, a leading U+FEFF dropped) into a NUL-terminated
// multibyte string in out (out_size bytes), cut so that text and NUL fit.
bool FromFieldText(const uint8_t* field, size_t field_size, char* out, size_t out_size);
// The same, returning the text (at most limit - 1 bytes).
std::string FieldToMultibyte(const uint8_t* field, size_t field_size, size_t limit);

// UTF-8 to multibyte into out (out_size bytes): 0; -1 when the conversion failed or the
// input is empty; -2 when out is too small for the text and its NUL (out untouched).
int Utf8ToMultibyte(std::string_view utf8, char* out, size_t out_size);
int MultibyteToUtf8(std::string_view multibyte, char* out, size_t out_size);

// Bytes the converted form needs without its NUL, or -1.
int Utf8ToMultibyteLength(std::string_view utf8);
int MultibyteToUtf8Length(std::string_view multibyte);

}  // namespace veldra
