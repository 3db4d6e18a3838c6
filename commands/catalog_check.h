// Checking a catalog file without changing it: what JudgeCatalog (storage/catalog_damage.h)
// finds, the same judgement the check before a change makes. Damage, and the traces of an
// interrupted write that the next change puts right, each get a sentence.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "storage/catalog_damage.h"
#include "storage/chunk_header.h"
#include "storage/chunk_inspect.h"

namespace veldra::commands {

using ::veldra::TagText;

// The findings about the catalog at path (CP932): when it is no container, one damage
// finding that says why.
std::vector<Finding> FindCatalogProblems(const std::string& path);

// Appends one English sentence per finding about the catalog at path (CP932). true when
// there is none.
bool CheckCatalog(const std::string& path, std::vector<std::string>* problems);

}  // namespace veldra::commands
