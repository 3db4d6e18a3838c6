#include "storage/catalog_table_snapshot.h"

#include <cstring>
#include <new>

namespace veldra {

namespace {

constexpr uint64_t kPrimeA = 0x9E3779B185EBCA87ULL;
constexpr uint64_t kPrimeB = 0xC2B2AE3D27D4EB4FULL;

uint64_t RotateLeft(uint64_t v, int r) { return (v << r) | (v >> (64 - r)); }

// Murmur's final mix: a bijection that spreads every bit.
uint64_t FinalMix(uint64_t h) {
  h ^= h >> 33;
  h *= 0xFF51AFD7ED558CCDULL;
  h ^= h >> 33;
  h *= 0xC4CEB9FE1A85EC53ULL;
  h ^= h >> 33;
  return h;
}

// Fingerprints of every record of table; false when memory is short.
bool FingerprintTable(const RecordArray& table, std::vector<RecordFingerprint>* out) {
  try {
    out->resize(static_cast<size_t>(table.Count()));
  } catch (const std::bad_alloc&) {
    return false;
  }
  for (int i = 0; i < table.Count(); ++i) {
    (*out)[i] = FingerprintRecord(table.At(i), table.record_size());
  }
  return true;
}

}  // namespace

RecordFingerprint FingerprintRecord(const uint8_t* record, size_t size) {
  // Four lanes take the words in turn, so the multiplications overlap. Each step is a
  // bijection of its lane for a given word and injective in the word for a given lane: two
  // records that differ in one word always end with that lane, and so the result, changed.
  uint64_t lane[4] = {kPrimeA ^ size, kPrimeB ^ size, kPrimeA + size, kPrimeB + size};
  const auto step = [](uint64_t h, uint64_t w) { return RotateLeft((h ^ w) * kPrimeA, 31); };
  size_t i = 0;
  for (; i + 32 <= size; i += 32) {
    uint64_t w[4];
    std::memcpy(w, record + i, 32);
    lane[0] = step(lane[0], w[0]);
    lane[1] = step(lane[1], w[1]);
    lane[2] = step(lane[2], w[2]);
    lane[3] = step(lane[3], w[3]);
  }
  for (int k = 0; i < size; i += 8, ++k) {
    uint64_t w = 0;
    std::memcpy(&w, record + i, size - i < 8 ? size - i : 8);
    lane[k] = step(lane[k], w);
  }
  // Each half depends bijectively on each of its two lanes.
  return RecordFingerprint{FinalMix(lane[0] + FinalMix(lane[1])),
                           FinalMix(lane[2] + FinalMix(lane[3] ^ kPrimeB))};
}

void TableSnapshot::Take(const RecordArray& table) {
  if (!FingerprintTable(table, &prints_)) {
    Invalidate();
    return;
  }
  record_size_ = table.record_size();
  valid_ = true;
}

void TableSnapshot::Invalidate() {
  valid_ = false;
  prints_.clear();
  prints_.shrink_to_fit();
}

int TableSnapshot::WriteTable(ChunkFile& file, ChunkTag tag, const RecordArray& table,
                              size_t record_size) {
  last_rewritten_ = 0;
  std::vector<RecordFingerprint> now;
  if (valid_ && record_size_ == record_size && table.record_size() == record_size &&
      count() == table.Count() && FingerprintTable(table, &now)) {
    if (now == prints_) return kChunkOk;
    const int rc = WriteChanged(file, tag, table, record_size, now);
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
                                size_t record_size, const std::vector<RecordFingerprint>& now) {
  if (file.FindFirst(tag) != kChunkOk) return 0;
  for (int i = 0; i < count(); ++i) {
    if (i > 0 && file.FindNext() != kChunkOk) return 0;
    if (file.CurrentLength() != static_cast<int>(record_size)) return 0;
    if (now[i] == prints_[i]) continue;
    const int rc = file.RewriteCurrent(record_size, table.At(i));
    if (rc != kChunkOk) return rc;
    prints_[i] = now[i];
    ++last_rewritten_;
  }
  // The snapshot's records must be all the tag holds.
  return file.FindNext() == kChunkEndOfList ? 1 : 0;
}

}  // namespace veldra
