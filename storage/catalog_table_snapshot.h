// TableSnapshot: the records of one table as they were last read from or written to a file,
// so that writing the table again touches only the records that differ.
//
// WriteTable gives the file the same bytes as ChunkFile::WriteAll. When the snapshot is
// valid and the table's record count is unchanged, it walks the tag's chunks and rewrites
// only the records that differ from the snapshot; it checks on the way that the file still
// holds as many chunks of the expected size as the snapshot, and otherwise falls back to
// WriteAll. After any failure the snapshot is dropped, so the next write is a full one.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "storage/chunk_file.h"
#include "storage/record_array.h"

namespace veldra {

class TableSnapshot {
 public:
  // Remembers table as the file's current content of the tag.
  void Take(const RecordArray& table);
  void Invalidate();
  bool valid() const { return valid_; }
  int count() const { return count_; }

  // Makes the chunks of tag in file hold table (record_size bytes each); the container's
  // result code. On success the snapshot becomes table.
  int WriteTable(ChunkFile& file, ChunkTag tag, const RecordArray& table, size_t record_size);

  // How many records the last WriteTable rewrote (all of them for a full write).
  int last_rewritten() const { return last_rewritten_; }

 private:
  // 1 when the incremental write applied, 0 when a full write is needed, <0 on failure.
  int WriteChanged(ChunkFile& file, ChunkTag tag, const RecordArray& table, size_t record_size);

  std::vector<uint8_t> bytes_;
  size_t record_size_ = 0;
  int count_ = 0;
  bool valid_ = false;
  int last_rewritten_ = 0;
};

}  // namespace veldra
