// Parts of a CP932 path with "/" as the separator.
#pragma once

#include <string>

namespace veldra::platform {

// The path up to and including its last "/"; "" when there is none.
std::string FolderOfPath(const std::string& path);

}  // namespace veldra::platform
