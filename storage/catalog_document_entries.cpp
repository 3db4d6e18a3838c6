// CVeldraDocument: the entries by id, as the windows and the commands read and change them.
#include "storage/catalog_document.h"
#include "storage/catalog_table.h"

namespace veldra {

namespace {

// Writes entry over element index of table with its update date set to now, as ReplaceEntry
// does.
void WriteBackAt(RecordArray& table, int index, EntryRecord entry) {
  entry.update_date = CatalogTimestamp::Now();
  SetRecordAt(table, index, entry);
}

// Sets both window numbers of every entry of table to -1, stamping update dates with now.
void ResetWindowOrdersIn(RecordArray& table, const CatalogTimestamp& now) {
  if (!HoldsRecords<EntryRecord>(table)) return;
  for (int i = 0; i < table.Count(); ++i) {
    EntryRecord entry = EntryAt(table, i);
    entry.entry_window_ordered_index = -1;
    entry.pdf_window_ordered_index = -1;
    entry.update_date = now;
    SetRecordAt(table, i, entry);
  }
}

// Clears the selection flag of every entry of table that has it; the others stay untouched.
void ClearSelectionsIn(RecordArray& table) {
  if (!HoldsRecords<EntryRecord>(table)) return;
  for (int i = 0; i < table.Count(); ++i) {
    if (table.At(i)[EntryRecord::kIsSelectEntryListOffset] == 0) continue;
    table.MutableAt(i)[EntryRecord::kIsSelectEntryListOffset] = 0;
  }
}

}  // namespace

bool CVeldraDocument::ReplaceEntry(RecordArray& entries, const EntryRecord& record) {
  const int index = EntryIndex(entries, record.id);
  if (index < 0) return false;
  WriteBackAt(entries, index, record);
  return true;
}

void CVeldraDocument::RemoveEntry(int32_t entry_id) {
  const int index = EntryIndex(entries_, entry_id);
  if (index >= 0) entries_.Remove(index);
}

std::optional<EntryRecord> CVeldraDocument::FindEntry(int32_t entry_id) const {
  const int index = EntryIndex(entries_, entry_id);
  if (index < 0) return std::nullopt;
  return EntryAt(entries_, index);
}

bool CVeldraDocument::UpdateEntry(const EntryRecord& record) {
  if (!ReplaceEntry(entries_, record)) return false;
  ReplaceEntry(filtered_entries_, record);
  return true;
}

namespace {

// The entry with entry_id, changed by change and written back as UpdateEntry does, with
// one walk of the entries (a selection of many rows sets one entry after the other).
template <class Change>
bool ChangeEntry(CVeldraDocument& document, int32_t entry_id, Change change) {
  RecordArray& entries = document.entries();
  const int index = EntryIndex(entries, entry_id);
  if (index < 0) return false;
  EntryRecord entry = EntryAt(entries, index);
  change(entry);
  WriteBackAt(entries, index, entry);
  document.ReplaceEntry(document.filtered_entries(), entry);
  return true;
}

}  // namespace

bool CVeldraDocument::SetEntryWindowPosition(int32_t entry_id, const WindowRect& rect) {
  return ChangeEntry(*this, entry_id, [&](EntryRecord& e) { e.window_position = rect; });
}

bool CVeldraDocument::SetPdfWindowPosition(int32_t entry_id, const WindowRect& rect) {
  return ChangeEntry(*this, entry_id, [&](EntryRecord& e) { e.pdf_window_position = rect; });
}

bool CVeldraDocument::SetEntryWindowOrder(int32_t entry_id, int16_t number) {
  return ChangeEntry(*this, entry_id,
                     [&](EntryRecord& e) { e.entry_window_ordered_index = number; });
}

bool CVeldraDocument::SetPdfWindowOrder(int32_t entry_id, int16_t number) {
  return ChangeEntry(*this, entry_id, [&](EntryRecord& e) { e.pdf_window_ordered_index = number; });
}

bool CVeldraDocument::SetEntrySelected(int32_t entry_id, bool selected) {
  return ChangeEntry(*this, entry_id,
                     [&](EntryRecord& e) { e.is_select_entrylist = selected ? 1 : 0; });
}

bool CVeldraDocument::StampLastView(int32_t entry_id) {
  return ChangeEntry(*this, entry_id,
                     [](EntryRecord& e) { e.last_view_date = CatalogTimestamp::Now(); });
}

void CVeldraDocument::ResetWindowOrders() {
  const CatalogTimestamp now = CatalogTimestamp::Now();
  ResetWindowOrdersIn(entries_, now);
  ResetWindowOrdersIn(filtered_entries_, now);
}

void CVeldraDocument::ClearEntrySelections() {
  ClearSelectionsIn(entries_);
  ClearSelectionsIn(filtered_entries_);
}

std::vector<DetailWindowOrder> CVeldraDocument::DetailWindowOrders() const {
  std::vector<DetailWindowOrder> orders;
  if (!HoldsRecords<EntryRecord>(entries_)) return orders;
  for (int i = 0; i < entries_.Count(); ++i) {
    const uint8_t* bytes = entries_.At(i);
    const DetailWindowOrder order{
        EncodedEntryId(bytes),
        coding::DecodeI16(bytes + EntryRecord::kEntryWindowOrderedIndexOffset),
        coding::DecodeI16(bytes + EntryRecord::kPdfWindowOrderedIndexOffset)};
    if (order.entry_window > 0 || order.pdf_window > 0) orders.push_back(order);
  }
  return orders;
}

}  // namespace veldra
