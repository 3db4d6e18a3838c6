// The text edge of veldra-cli: arguments and output are UTF-8, everything inside is CP932.
#pragma once

#include <string>
#include <string_view>

#include "cli/tool.h"

namespace veldra::cli {

// Converts a UTF-8 argument to CP932. Refuses (false, with a line on io.err naming what)
// invalid UTF-8 and any character CP932 cannot represent, instead of storing "?".
bool ArgToCp932(ToolIo& io, const std::string& what, const std::string& utf8, std::string* out);

// As ArgToCp932, and also refuses text that would not be stored whole: more than max_bytes
// bytes in CP932, or more characters than a record field of field_bytes bytes holds.
bool ArgToFieldText(ToolIo& io, const std::string& what, const std::string& utf8,
                    size_t max_bytes, size_t field_bytes, std::string* out);

// A category name or label: at most 127 bytes, in a 256-byte field.
bool ArgToName(ToolIo& io, const std::string& what, const std::string& utf8, std::string* out);

// CP932 to UTF-8 for output.
std::string ToUtf8(const std::string& cp932);

// A UTF-8 text made safe for one tab-separated cell: "\" becomes "\\", and tab, line feed
// and carriage return become "\t", "\n" and "\r".
std::string EscapeCell(const std::string& utf8);
// The same, appended to out.
void AppendEscapedCell(std::string_view utf8, std::string* out);

}  // namespace veldra::cli
