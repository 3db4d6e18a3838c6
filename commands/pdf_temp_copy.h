// The viewer's temporary copy of an entry's PDF: a new file "<temporary folder><n>_<name>"
// for the first number n from 0 whose name is free, so that viewers open at once, and
// copies left behind by a run that ended abruptly, never share a file.
#pragma once

#include <string>
#include <string_view>

namespace veldra {
class CVeldraDocument;
}

namespace veldra::commands {

// Numbers tried for one copy: 0 .. kTemporaryNumberLimit - 1.
constexpr int kTemporaryNumberLimit = 10000;
// The name used when the entry's own gives none.
inline constexpr char kPlainTemporaryName[] = "document.pdf";

// The name part of the copy of a PDF catalogued under file_name (CP932): only its last
// "/"-separated component, since a companion file may have set any text there; an empty
// component, or one of dots only, gives kPlainTemporaryName.
std::string TemporaryCopyName(std::string_view file_name);

// Copies the document's ordinal-th attachment, in blocks, into a new file in folder (ending
// with "/") named "<n>_" + TemporaryCopyName(file_name). The file is created for the owner
// only and never in place of anything already at the name (a file, a folder, a symbolic
// link): such a name is passed over for the next number. Returns the path; "" when there is
// no attachment, no name could be created, or the copy failed (no file is left then).
std::string WriteTemporaryCopy(const CVeldraDocument& document, int ordinal,
                               const std::string& folder, std::string_view file_name);

}  // namespace veldra::commands
