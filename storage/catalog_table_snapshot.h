// TableSnapshot: a fingerprint of each record of one table as it was last read from or
// written to the catalog file, so that writing the table again touches only the records
// that changed since.
//
// WriteTable gives the file the same bytes as ChunkFile::WriteAll, provided the file still
// holds what the snapshot remembers (the document is the only writer of its tables):
// - the record count is unchanged and no record differs: nothing is read or written;
// - the count is unchanged: the tag's chunks are walked and only the records that differ
//   are rewritten; the walk checks that the file holds exactly as many chunks of the
//   expected size as the snapshot, and otherwise falls back to WriteAll;
// - anything else: WriteAll.
// After any failure the snapshot is dropped, so the next write is a full one.
//
// A fingerprint is 128 bits of two independent word-wise mixes over the record; a change
// within any single 8-byte word always changes it, and other changes go unnoticed with a
// chance of about 2^-128.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "storage/chunk_file.h"
#include "storage/record_array.h"

namespace veldra {

struct RecordFingerprint {
  uint64_t a = 0;
  uint64_t b = 0;
  bool operator==(const RecordFingerprint&) const = default;
};

RecordFingerprint FingerprintRecord(const uint8_t* record, size_t size);

class TableSnapshot {
 public:
  // Remembers table as the file's current content of its tag.
  void Take(const RecordArray& table);
  void Invalidate();
  bool valid() const { return valid_; }
  int count() const { return static_cast<int>(prints_.size()); }

  // Makes the chunks of tag in file hold table (record_size bytes each); the container's
  // result code. On success the snapshot becomes table.
  int WriteTable(ChunkFile& file, ChunkTag tag, const RecordArray& table, size_t record_size);

  // How many records the last WriteTable rewrote (all of them for a full write).
  int last_rewritten() const { return last_rewritten_; }

 private:
  // 1 when the changed records were written, 0 when a full write is needed, <0 on failure.
  int WriteChanged(ChunkFile& file, ChunkTag tag, const RecordArray& table, size_t record_size,
                   const std::vector<RecordFingerprint>& now);

  std::vector<RecordFingerprint> prints_;
  size_t record_size_ = 0;
  bool valid_ = false;
  int last_rewritten_ = 0;
};

}  // namespace veldra
