// TableSnapshot: what the catalog file holds of one table, as it was last read from or
// written to the file, so that writing the table again touches only the records that
// changed since.
//
// It remembers where each record's chunk lies and the table's change stamp (see
// record_array.h) at that moment. WriteTable gives the file the same bytes as
// ChunkFile::WriteAll, provided the file still holds what the snapshot remembers (the
// document is the only writer of its tables):
// - the record count is unchanged and no record changed: nothing is read or written;
// - the count is unchanged: only the chunks of the changed records are read (their headers,
//   checked against the remembered list) and rewritten in place (RewriteRecords), plus the
//   tag's head and last chunk; when the file does not hold the remembered list, WriteAll;
// - anything else: WriteAll.
// After any failure the snapshot is dropped, so the next write is a full one.
//
// Why stamps and not a copy or a fingerprint of the records: a copy of the loaded bytes
// costs as much memory again as the tables (47 MB for 10,000 entries) and a copy at every
// load; a fingerprint of every record costs a pass over all of them at each load and at each
// save; reading the file back at each save costs a read of all of them. A stamp costs
// nothing at load, and a save looks at the changed records only. Its one rule: bytes are
// written through MutableAt right after the call, never kept for writing after a save.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "storage/chunk_file.h"
#include "storage/record_array.h"

namespace veldra {

// A 128-bit fingerprint of a record: a change within any single 8-byte word always changes
// it, and other changes go unnoticed with a chance of about 2^-128.
struct RecordFingerprint {
  uint64_t a = 0;
  uint64_t b = 0;
  bool operator==(const RecordFingerprint&) const = default;
};

RecordFingerprint FingerprintRecord(const uint8_t* record, size_t size);

class TableSnapshot {
 public:
  // Remembers table as the file's current content of its tag, its records in the chunks at
  // chunks (list order, one per record, as ChunkFile::ReadAll reported them). Without
  // chunks the next write is a full one.
  void Take(const RecordArray& table, std::vector<uint32_t> chunks);
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
  std::vector<uint32_t> chunks_;
  uint64_t stamp_ = 0;
  int count_ = 0;
  size_t record_size_ = 0;
  bool valid_ = false;
  int last_rewritten_ = 0;
};

}  // namespace veldra
