// Conversions between CP932 (Windows Shift-JIS), UTF-16 and UTF-8, on ICU's "windows-932"
// converter with its fallbacks on, so that characters such as U+00A5, U+301C, U+2212 and
// U+2016 map as Windows maps them. A character with no CP932 form becomes "?".
//
// These are the raw conversions the platform layer and the text-field helpers build on.
// Invalid input sequences are replaced (U+FFFD in UTF-16, "?" in CP932) unless a function
// says otherwise.
#pragma once

#include <string>
#include <string_view>

namespace veldra::platform {

std::u16string Cp932ToUtf16(std::string_view cp932);
std::string Utf16ToCp932(std::u16string_view utf16);

// UTF-8 to UTF-16. Returns false (out cleared) when utf8 is not valid UTF-8.
bool Utf8ToUtf16(std::string_view utf8, std::u16string* out);
std::string Utf16ToUtf8(std::u16string_view utf16);

// Composes combining sequences (NFC).
std::u16string ComposeNfc(std::u16string_view utf16);

// UTF-8 to CP932: NFC first, then CP932 with "?" for what has no mapping.
// Returns false when utf8 is not valid UTF-8.
bool Utf8ToCp932(std::string_view utf8, std::string* out);

// As Utf8ToCp932, but also false when any character has no CP932 form (nothing is
// replaced by "?"). For input that must be stored exactly (the command-line tool).
bool Utf8ToCp932Exact(std::string_view utf8, std::string* out);

std::string Cp932ToUtf8(std::string_view cp932);

// utf8 with every byte sequence that is not UTF-8 (a surrogate, an overlong or cut-off
// sequence, a stray byte) replaced by U+FFFD, one for each maximal ill-formed part.
std::string ValidUtf8(std::string_view utf8);

}  // namespace veldra::platform
