// Finding every file of one extension below a folder. Paths are CP932 with "/" as the
// separator. Nothing here shows a message.
#pragma once

#include <string>
#include <vector>

namespace veldra::platform {

// Appends to out the path of every file below folder (depth first, items in byte order of
// their names, hidden folders skipped) whose text after the last "." equals extension
// exactly. -1 when folder cannot be searched (out unchanged); otherwise 0.
//
// The system lists a name holding a character CP932 cannot represent with "?" in its
// place, and such a name reaches nothing. When unnamable is given, every file of the
// extension and every folder to be searched whose listed name is of that kind goes there
// instead (depth first, as met), and is neither listed in out nor searched.
int EnumerateFilesByExtension(const std::string& folder, const std::string& extension,
                              std::vector<std::string>* out,
                              std::vector<std::string>* unnamable = nullptr);

}  // namespace veldra::platform
