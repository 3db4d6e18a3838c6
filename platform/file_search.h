// Finding every file of one extension below a folder. Paths are CP932 with "/" as the
// separator. Nothing here shows a message.
#pragma once

#include <string>
#include <vector>

namespace veldra::platform {

// Appends to out the path of every file below folder (depth first, items in byte order of
// their names, hidden folders skipped) whose text after the last "." equals extension
// exactly. -1 when folder cannot be searched (out unchanged); otherwise 0.
int EnumerateFilesByExtension(const std::string& folder, const std::string& extension,
                              std::vector<std::string>* out);

}  // namespace veldra::platform
