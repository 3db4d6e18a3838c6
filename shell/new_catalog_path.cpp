#include "shell/new_catalog_path.h"

namespace veldra {

std::string NewCatalogPath(const std::string& chosen) {
  const size_t slash = chosen.rfind('/');
  const size_t name_start = slash == std::string::npos ? 0 : slash + 1;
  if (chosen.find('.', name_start) != std::string::npos) return chosen;
  return chosen + "." + "vdc";
}

}  // namespace veldra
