#include "storage/catalog_table_snapshot.h"

#include <cstring>
#include <utility>

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

void TableSnapshot::Take(const RecordArray& table, std::vector<uint32_t> chunks) {
  if (chunks.size() != static_cast<size_t>(table.Count())) {
    Invalidate();
    return;
  }
  chunks_ = std::move(chunks);
  stamp_ = RecordArray::ChangeStampNow();
  count_ = table.Count();
  record_size_ = table.record_size();
  valid_ = true;
}

void TableSnapshot::Take(const RecordArray& table) {
  // Only an empty table needs no chunks; any other cannot be rewritten in place.
  if (table.Count() == 0) {
    Take(table, {});
  } else {
    Invalidate();
  }
}

void TableSnapshot::Invalidate() {
  valid_ = false;
  count_ = 0;
  chunks_.clear();
  chunks_.shrink_to_fit();
}

int TableSnapshot::WriteTable(ChunkFile& file, ChunkTag tag, const RecordArray& table,
                              size_t record_size) {
  last_rewritten_ = 0;
  if (valid_ && record_size_ == record_size && table.record_size() == record_size &&
      count_ == table.Count()) {
    if (!table.AnyChangeSince(stamp_)) return kChunkOk;
    std::vector<int> changed;
    for (int i = 0; i < count_; ++i) {
      if (table.ChangedSince(i, stamp_)) changed.push_back(i);
    }
    const uint64_t stamp = RecordArray::ChangeStampNow();
    const int rc = file.RewriteRecords(tag, chunks_, table, record_size, changed);
    if (rc == kChunkOk) {
      stamp_ = stamp;
      last_rewritten_ = static_cast<int>(changed.size());
      return kChunkOk;
    }
    if (rc != kChunkNotAsRemembered) {
      Invalidate();
      return rc;
    }
    // The file does not hold what the snapshot says: write the whole table.
  }
  last_rewritten_ = table.Count();
  std::vector<uint32_t> chunks;
  const int rc = file.WriteAll(tag, table, record_size, &chunks);
  if (rc == kChunkOk) {
    Take(table, std::move(chunks));
  } else {
    Invalidate();
  }
  return rc;
}

}  // namespace veldra
