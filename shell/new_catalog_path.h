// The path of a new catalog from the name chosen in the "新規作成" dialog.
#pragma once

#include <string>

namespace veldra {

// path, with ".vdc" appended when its file name has no extension.
std::string NewCatalogPath(const std::string& chosen);

}  // namespace veldra
