// Looking at a container from outside the lists: for `veldra-cli dump` and `check`, and for
// the check before a change (VerifyListsForChange), which judge a container by this one walk.
//
// InspectContainer walks the headers in file order from offset 512 (each chunk's data is
// followed directly by the next header), and separately follows the list of heads and each
// tag's list to learn which chunks are live. It never trusts a link: every walk keeps the
// set of chunks it has seen, so damage of any kind is described, never followed for ever.
// The file is opened read-only and nothing is written.
//
// Each finding is either damage (a change would write into it and make it permanent) or
// the trace of a write cut short that the next change puts right: a chunk whose append was
// cut short at the end of the file, that no link reaches (the next change cuts it off), and
// the links back that an unlink cut short still leaves on the chunk being unlinked (the
// next write of the table writes them right; storage/chunk_verify.h names the shapes).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "storage/chunk_header.h"

namespace veldra {

// One header found by the walk in file order.
struct ChunkRecord {
  uint32_t offset = 0;
  ChunkHeader header;
  bool live = false;  // reachable from the root through the list of heads and a tag's list
};

// A stretch of the file that the walk in file order could not read as chunks: from offset,
// where a header fails its checks or the bytes are too few for one, up to end, where the
// next sound header was found (or the end of the file). reason is the walk's sentence.
struct UnreadStretch {
  int64_t offset = 0;
  int64_t end = 0;
  std::string reason;
};

// What a finding is. Damage makes a catalog read-only for changes; the trace of an
// interrupted write does not, since the next change puts it right.
enum class FindingKind { kDamage, kInterruptedWrite };

struct Finding {
  FindingKind kind = FindingKind::kDamage;
  std::string text;  // one English sentence
};

struct ContainerReport {
  int64_t file_size = 0;
  std::vector<ChunkRecord> chunks;    // in file order; the root first
  std::vector<UnreadStretch> unread;  // in file order; empty when the walk met no damage
  std::vector<Finding> findings;      // the first fault first; empty for a sound container
  std::vector<std::string> problems;  // the text of each finding, in the same order
};

// The index of the chunk whose header is at offset in chunks (every header in file order), or
// kNoChunk. A list's next chunk mostly lies a few chunks further on in the file: the few chunks
// behind hint are looked at before the search.
constexpr size_t kNoChunk = static_cast<size_t>(-1);
size_t FindChunkAt(const std::vector<ChunkRecord>& chunks, uint32_t offset, size_t hint = 0);

// true when one of findings is damage.
bool HasDamage(const std::vector<Finding>& findings);

// Fills report. false only when the file cannot be opened or is not a container (bad magic
// or version, shorter than 512 bytes): report->problems then says which. Damage behind the
// file header is described in report->problems and still gives true. seen: headers already
// read and checked from the same file, unchanged since (the loader collects them); the walk
// in file order reads only the others.
bool InspectContainer(const std::string& path, ContainerReport* report,
                      std::vector<ChunkHeader> seen = {});

// Checks every link, length and self field, the root, the list of heads, each tag's list
// (no cycles, prev and next agreeing, one tag per list), and the walk in file order.
// true when nothing is wrong; otherwise problems receives one sentence per finding, such as
// "next-in-tag of chunk at 8832 points past end of file" (traces of an interrupted write
// included: they are no damage, but the container is not as a finished write leaves it).
bool VerifyContainer(const std::string& path, std::vector<std::string>* problems);

}  // namespace veldra
