#include "storage/catalog_table_snapshot.h"

#include <cstring>
#include <new>

namespace veldra {

void TableSnapshot::Take(const RecordArray& table) {
  const size_t size = table.record_size();
  const int count = table.Count();
  try {
    bytes_.resize(size * static_cast<size_t>(count));
  } catch (const std::bad_alloc&) {
    Invalidate();
    return;
  }
  for (int i = 0; i < count; ++i) std::memcpy(bytes_.data() + size * i, table.At(i), size);
  record_size_ = size;
  count_ = count;
  valid_ = true;
}

void TableSnapshot::Invalidate() {
  valid_ = false;
  count_ = 0;
  bytes_.clear();
  bytes_.shrink_to_fit();
}

int TableSnapshot::WriteTable(ChunkFile& file, ChunkTag tag, const RecordArray& table,
                              size_t record_size) {
  last_rewritten_ = 0;
  if (valid_ && record_size_ == record_size && table.record_size() == record_size &&
      count_ == table.Count()) {
    const int rc = WriteChanged(file, tag, table, record_size);
    if (rc == 1) return kChunkOk;
    if (rc < 0) {
      Invalidate();
      return rc;
    }
    // The file does not hold what the snapshot says: write the whole table.
  }
  last_rewritten_ = table.Count();
  const int rc = file.WriteAll(tag, table, record_size);
  if (rc == kChunkOk) {
    Take(table);
  } else {
    Invalidate();
  }
  return rc;
}

int TableSnapshot::WriteChanged(ChunkFile& file, ChunkTag tag, const RecordArray& table,
                                size_t record_size) {
  int rc = file.FindFirst(tag);
  if (count_ == 0) return rc == kChunkNoSuchTag ? 1 : 0;
  if (rc != kChunkOk) return 0;
  for (int i = 0; i < count_; ++i) {
    if (i > 0 && file.FindNext() != kChunkOk) return 0;
    if (file.CurrentLength() != static_cast<int>(record_size)) return 0;
    const uint8_t* now = table.At(i);
    uint8_t* before = bytes_.data() + record_size * i;
    if (std::memcmp(now, before, record_size) == 0) continue;
    rc = file.RewriteCurrent(record_size, now);
    if (rc != kChunkOk) return rc;
    std::memcpy(before, now, record_size);
    ++last_rewritten_;
  }
  // The snapshot's records must be all the tag holds.
  return file.FindNext() == kChunkEndOfList ? 1 : 0;
}

}  // namespace veldra
