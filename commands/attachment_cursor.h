// Walks the "ATTD" chunks of an open catalog by ordinal without starting over for each one:
// asking for ordinals in ascending order (as the attachment records mostly are) walks the
// chain once in all.
#pragma once

#include <cstdint>
#include <vector>

#include "storage/chunk_file.h"

namespace veldra::commands {

class AttachmentCursor {
 public:
  explicit AttachmentCursor(ChunkFile& file) : file_(file) {}

  // Makes the ordinal-th "ATTD" chunk current: 0, -1 for a negative ordinal, or the
  // container's code (-5 no attachment at all, -4 fewer chunks than ordinal + 1).
  int SeekTo(int ordinal);

  // The current chunk's bytes into out: its length, or -1 (out emptied) when it is empty or
  // cannot be read. Memory for one attachment only.
  int64_t ReadCurrent(std::vector<uint8_t>* out);

 private:
  ChunkFile& file_;
  int position_ = -1;  // the ordinal of the current chunk; -1 before the first seek
};

}  // namespace veldra::commands
