#include "cli/cli_text.h"

#include "commands/category_triple.h"
#include "commands/entry_edit.h"
#include "platform/codepage.h"

namespace veldra::cli {

bool ArgToCp932(ToolIo& io, const std::string& what, const std::string& utf8, std::string* out) {
  if (!platform::Utf8ToCp932Exact(utf8, out)) {
    Fail(io, what + " '" + utf8 + "' is not UTF-8 or holds a character that CP932 cannot "
                 "represent; nothing was changed");
    return false;
  }
  return true;
}

bool ArgToFieldText(ToolIo& io, const std::string& what, const std::string& utf8,
                    size_t max_bytes, size_t field_bytes, std::string* out) {
  if (!ArgToCp932(io, what, utf8, out)) return false;
  if (!commands::FitsEntryField(*out, max_bytes, field_bytes)) {
    Fail(io, what + " '" + utf8 + "' is too long: at most " + std::to_string(max_bytes) +
                 " bytes in CP932 and " + std::to_string(field_bytes / 2 - 2) +
                 " characters are kept");
    return false;
  }
  return true;
}

bool ArgToName(ToolIo& io, const std::string& what, const std::string& utf8, std::string* out) {
  return ArgToFieldText(io, what, utf8, commands::kCategoryNameMaxBytes, 256, out);
}

std::string ToUtf8(const std::string& cp932) { return platform::Cp932ToUtf8(cp932); }

std::string EscapeCell(const std::string& utf8) {
  std::string out;
  out.reserve(utf8.size());
  AppendEscapedCell(utf8, &out);
  return out;
}

void AppendEscapedCell(std::string_view utf8, std::string* out) {
  size_t plain = 0;  // where the run of bytes that stay as they are begins
  for (size_t i = 0; i < utf8.size(); ++i) {
    const char* escaped = nullptr;
    switch (utf8[i]) {
      case '\\': escaped = "\\\\"; break;
      case '\t': escaped = "\\t"; break;
      case '\n': escaped = "\\n"; break;
      case '\r': escaped = "\\r"; break;
      default: continue;
    }
    out->append(utf8.data() + plain, i - plain);
    out->append(escaped);
    plain = i + 1;
  }
  out->append(utf8.data() + plain, utf8.size() - plain);
}

}  // namespace veldra::cli
