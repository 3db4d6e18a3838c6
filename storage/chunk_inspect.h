// Looking at a container from outside the lists: for `veldra-cli dump` and `check`.
//
// InspectContainer walks the headers in file order from offset 512 (each chunk's data is
// followed directly by the next header), and separately follows the list of heads and each
// tag's list to learn which chunks are live. It never trusts a link: every walk keeps the
// set of chunks it has seen, so damage of any kind is described, never followed for ever.
// The file is opened read-only and nothing is written.
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

struct ContainerReport {
  int64_t file_size = 0;
  std::vector<ChunkRecord> chunks;    // in file order; the root first
  std::vector<UnreadStretch> unread;  // in file order; empty when the walk met no damage
  std::vector<std::string> problems;  // one sentence each; empty for a sound container
};

// Fills report. false only when the file cannot be opened or is not a container (bad magic
// or version, shorter than 512 bytes): report->problems then says which. Damage behind the
// file header is described in report->problems and still gives true.
bool InspectContainer(const std::string& path, ContainerReport* report);

// Checks every link, length and self field, the root, the list of heads, each tag's list
// (no cycles, prev and next agreeing, one tag per list), and the walk in file order.
// true when nothing is wrong; otherwise problems receives one sentence per fault, such as
// "next-in-tag of chunk at 8832 points past end of file".
bool VerifyContainer(const std::string& path, std::vector<std::string>* problems);

}  // namespace veldra
