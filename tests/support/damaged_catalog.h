// Catalog files with one link or field changed, for the checks a change makes before it
// writes: one sound catalog to start from, helpers that patch the k-th chunk of a tag, and
// the rows every layer's tests go through (the file each makes, whether it is damage, and
// the words that name it).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "storage/chunk_header.h"

namespace veldra::testing {

// The offset of the k-th chunk (list order, from 0) of tag in the container at path, or -1.
int64_t ChunkOfTag(const std::string& path, ChunkTag tag, int k);
// Writes value over the 4 bytes at field (chunk_format::k*Offset, or 36 + an offset into
// the data) of the k-th chunk of tag. false when there is no such chunk.
bool PatchChunk(const std::string& path, ChunkTag tag, int k, size_t field, int32_t value);

// The catalog every row starts from: entries with ids 0 to 5 (imported from
// "/in/0.pdf" ...), then three attachment data chunks, saved as the application saves.
constexpr int kDamageBaseEntries = 6;
bool MakeDamageBaseCatalog(const std::string& path);

// Appends a chunk of tag holding data to the container at path as an append killed before
// its link leaves it: whole at the end of the file, its holder (the tag's last chunk, or the
// last head) not linking to it; torn, its last 30 bytes are cut off as well. false when
// that failed.
bool AppendUnlinked(const std::string& path, ChunkTag tag, const std::string& data, bool torn);

struct DamageRow {
  const char* name;
  // Turns the base catalog at path into the row's file; false when that failed.
  bool (*make)(const std::string& path);
  bool damaged;  // what `veldra-cli check` reports as damage and LoadForChange refuses
  // Words of a line of veldra-cli check, and when damaged of the document's damage()
  // sentence (and so of the CLI's error); "" where check finds nothing.
  const char* words;
};

// Damage: next-in-tag := -1 in the middle of the entries, a wrong prev-in-tag, the list of
// heads cut before the entries, a second head for a tag, a head of an unknown tag (breaking
// its list, or not), a broken attachment data chain, one id in two entries (apart, or
// neighbours that differ where a record never changes). Not damage: a copy of an entry in
// the chunk behind it (a rewrite cut short), a file with deleted entries, a file whose entries
// were all deleted, the table of the last head emptied, an append killed before its link was
// written, and a PDF's append killed mid-data (the next change cuts it off).
const std::vector<DamageRow>& DamageRows();

}  // namespace veldra::testing
