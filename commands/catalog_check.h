// Checking a catalog file without changing it: the container (links, lengths, self fields,
// lists, the walk in file order), the record size of every table's chunks, that no two
// entries share an id, and that every attachment record points at an existing, non-empty
// "ATTD" chunk.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "storage/chunk_header.h"

namespace veldra::commands {

// The four letters of a tag, or "0x%08X" when they are not all printable; "root" for -1.
std::string TagText(ChunkTag tag);

// Appends one English sentence per problem found in the catalog at path (CP932). true when
// the catalog is sound.
bool CheckCatalog(const std::string& path, std::vector<std::string>* problems);

}  // namespace veldra::commands
