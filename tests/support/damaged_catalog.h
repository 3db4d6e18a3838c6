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
  bool damaged;  // what LoadForChange must find
  // Words of the document's damage() sentence (and so of the CLI's error), and of a
  // sentence of veldra-cli check; "" where there is none.
  const char* damage_words;
  const char* check_words;
};

// Damage: next-in-tag := -1 in the middle of the entries, a wrong prev-in-tag, the list of
// heads cut before the entries, a second head for a tag, a head of an unknown tag that
// breaks its list, a broken attachment data chain, one id in two entries apart, a PDF's
// append killed mid-data (what a change appends would lie behind bytes that no walk in file
// order gets past). Not damage:
// one id in two neighbouring entries, a file with deleted entries, a file whose entries
// were all deleted, the table of the last head emptied, a head of an unknown tag on a sound list, an append killed before its
// link was written.
const std::vector<DamageRow>& DamageRows();

}  // namespace veldra::testing
