// Typed access to the tables of a catalog. A table is a RecordArray whose elements are the
// encoded records (record size R::kEncodedLength). An array of another record size is never
// read or written as R: reads give a zero record, writes are refused.
#pragma once

#include <vector>

#include "storage/catalog_entry_record.h"
#include "storage/catalog_records.h"
#include "storage/record_array.h"

namespace veldra {

template <class R>
RecordArray MakeTable() {
  return RecordArray(R::kEncodedLength);
}

template <class R>
bool HoldsRecords(const RecordArray& table) {
  return table.record_size() == R::kEncodedLength;
}

// Element index decoded; a default record when index is outside the table.
template <class R>
R RecordAt(const RecordArray& table, int index) {
  const uint8_t* bytes = HoldsRecords<R>(table) ? table.At(index) : nullptr;
  return bytes != nullptr ? R::DecodeFrom(bytes) : R{};
}

// Ignored outside 0..Count()-1.
template <class R>
void SetRecordAt(RecordArray& table, int index, const R& record) {
  uint8_t* bytes = HoldsRecords<R>(table) ? table.MutableAt(index) : nullptr;
  if (bytes != nullptr) record.EncodeTo(bytes);
}

// 0, or -1 when the table holds another record size or storage could not be had.
template <class R>
int AppendRecord(RecordArray& table, const R& record) {
  if (!HoldsRecords<R>(table)) return -1;
  std::vector<uint8_t> bytes(R::kEncodedLength);
  record.EncodeTo(bytes.data());
  return table.Append(bytes.data());
}

// The index of the first entry of table with this id; -1 when there is none or the table
// holds another record size. The one walk that finds an entry by its id.
inline int EntryIndex(const RecordArray& table, int32_t entry_id) {
  if (!HoldsRecords<EntryRecord>(table)) return -1;
  for (int i = 0; i < table.Count(); ++i) {
    if (EncodedEntryId(table.At(i)) == entry_id) return i;
  }
  return -1;
}

inline EntryRecord EntryAt(const RecordArray& table, int index) {
  return RecordAt<EntryRecord>(table, index);
}
inline CategoryRecord CategoryAt(const RecordArray& table, int index) {
  return RecordAt<CategoryRecord>(table, index);
}
inline LabelRecord LabelAt(const RecordArray& table, int index) {
  return RecordAt<LabelRecord>(table, index);
}
inline AttachmentRecord AttachmentAt(const RecordArray& table, int index) {
  return RecordAt<AttachmentRecord>(table, index);
}
inline EnvironmentRecord EnvironmentAt(const RecordArray& table, int index) {
  return RecordAt<EnvironmentRecord>(table, index);
}
inline IdCounterRow CounterAt(const RecordArray& table, int index) {
  return RecordAt<IdCounterRow>(table, index);
}

}  // namespace veldra
