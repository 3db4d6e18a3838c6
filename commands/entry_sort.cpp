#include "commands/entry_sort.h"

#include <algorithm>
#include <cstring>
#include <numeric>
#include <string>
#include <string_view>

#include "storage/catalog_table.h"

namespace veldra::commands {
namespace {

// Texts are compared in CP932 as the list shows them, read into 512-byte buffers.
constexpr size_t kTextBufferSize = 512;

enum class KeyKind { kNone, kText, kTimestamp, kNumber };

KeyKind KindOf(int32_t key) {
  switch (key) {
    case kSortTitle: case kSortCategory1: case kSortCategory2: case kSortCategory3:
    case kSortFileName: case kSortNote: case kSortAuthor: case kSortEditor:
    case kSortSupervisor: case kSortTranslator: case kSortPublisher:
      return KeyKind::kText;
    case kSortFileDate: case kSortCreated: case kSortUpdated: case kSortLastViewed:
    case kSortLastUsed:
      return KeyKind::kTimestamp;
    case kSortFileSize: case kSortRating:
      return KeyKind::kNumber;
    default:
      return KeyKind::kNone;
  }
}

template <size_t N>
std::string Text(const TextField<N>& field) {
  return field.Text(kTextBufferSize);
}

// One entry's value for one key, in the form that compares as the key demands.
struct KeyValue {
  std::string bytes;   // text and timestamp keys
  int64_t number = 0;  // number keys
};

KeyValue ValueOf(const EntryRecord& e, int32_t key) {
  KeyValue v;
  switch (key) {
    case kSortTitle: v.bytes = Text(e.title); break;
    case kSortCategory1: v.bytes = Text(e.category_names[0]); break;
    case kSortCategory2: v.bytes = Text(e.category_names[1]); break;
    case kSortCategory3: v.bytes = Text(e.category_names[2]); break;
    case kSortFileName: v.bytes = Text(e.file_name); break;
    case kSortNote: v.bytes = Text(e.note); break;
    case kSortAuthor: v.bytes = Text(e.author_name); break;
    case kSortEditor: v.bytes = Text(e.editor_name); break;
    case kSortSupervisor: v.bytes = Text(e.supervisor_name); break;
    case kSortTranslator: v.bytes = Text(e.translator_name); break;
    case kSortPublisher: v.bytes = Text(e.publisher_name); break;
    case kSortFileSize: v.number = e.file_size; break;
    case kSortRating: v.number = e.my_rate; break;
    case kSortFileDate: v.bytes = e.file_create_date.Text(); break;
    case kSortCreated: v.bytes = e.create_date.Text(); break;
    case kSortUpdated: v.bytes = e.update_date.Text(); break;
    case kSortLastViewed: v.bytes = e.last_view_date.Text(); break;
    case kSortLastUsed: v.bytes = e.last_use_date.Text(); break;
    default: break;
  }
  return v;
}

// Where the field a key compares starts in an encoded EntryRecord; kNoField for none.
constexpr size_t kNoField = static_cast<size_t>(-1);

size_t FieldOffsetOf(int32_t key) {
  switch (key) {
    case kSortTitle: return EntryRecord::kTitleOffset;
    case kSortCategory1: return EntryRecord::kCategoryNamesOffset;
    case kSortCategory2: return EntryRecord::kCategoryNamesOffset + 256;
    case kSortCategory3: return EntryRecord::kCategoryNamesOffset + 512;
    case kSortFileName: return EntryRecord::kFileNameOffset;
    case kSortNote: return EntryRecord::kNoteOffset;
    case kSortAuthor: return EntryRecord::kAuthorOffset;
    case kSortEditor: return EntryRecord::kEditorOffset;
    case kSortSupervisor: return EntryRecord::kSupervisorOffset;
    case kSortTranslator: return EntryRecord::kTranslatorOffset;
    case kSortPublisher: return EntryRecord::kPublisherOffset;
    case kSortFileSize: return EntryRecord::kFileSizeOffset;
    case kSortRating: return EntryRecord::kMyRateOffset;
    case kSortFileDate: return EntryRecord::kFileCreateDateOffset;
    case kSortCreated: return EntryRecord::kCreateDateOffset;
    case kSortUpdated: return EntryRecord::kUpdateDateOffset;
    case kSortLastViewed: return EntryRecord::kLastViewDateOffset;
    case kSortLastUsed: return EntryRecord::kLastUseDateOffset;
    default: return kNoField;
  }
}

// Unsigned bytes up to the first difference; a prefix sorts first.
int CompareBytes(std::string_view a, std::string_view b) {
  size_t n = std::min(a.size(), b.size());
  int c = std::memcmp(a.data(), b.data(), n);
  if (c != 0) return c < 0 ? -1 : 1;
  return a.size() < b.size() ? -1 : (a.size() > b.size() ? 1 : 0);
}

int CompareValues(const KeyValue& a, const KeyValue& b, int32_t key) {
  switch (KindOf(key)) {
    case KeyKind::kText:
    case KeyKind::kTimestamp: return CompareBytes(a.bytes, b.bytes);
    case KeyKind::kNumber: return a.number < b.number ? -1 : (a.number > b.number ? 1 : 0);
    case KeyKind::kNone: return 0;
  }
  return 0;
}

// The levels that count: the primary always, then the next ones up to the first empty slot.
int LevelsInUse(const SortState& state) {
  int n = 1;
  while (n < 3 && state.levels[n].key_code != kSortNone) ++n;
  return n;
}

int Directed(int c, const SortLevel& level) { return level.ascending == 1 ? c : -c; }

int IdTieBreak(int32_t a, int32_t b) { return a > b ? -1 : (a < b ? 1 : 0); }

// Sorts the positions 0..values.size()-1 by the precomputed key values and ids.
std::vector<int> SortedOrder(const std::vector<std::array<KeyValue, 3>>& values,
                             const std::vector<int32_t>& ids, const SortState& state) {
  const int levels = LevelsInUse(state);
  std::vector<int> order(values.size());
  std::iota(order.begin(), order.end(), 0);
  std::sort(order.begin(), order.end(), [&](int x, int y) {
    for (int l = 0; l < levels; ++l) {
      const SortLevel& level = state.levels[l];
      int c = CompareValues(values[x][l], values[y][l], level.key_code);
      if (c != 0) return Directed(c, level) < 0;
    }
    return IdTieBreak(ids[x], ids[y]) < 0;
  });
  return order;
}

std::array<KeyValue, 3> ValuesOf(const EntryRecord& e, const SortState& state) {
  std::array<KeyValue, 3> values;
  for (int l = 0; l < LevelsInUse(state); ++l) values[l] = ValueOf(e, state.levels[l].key_code);
  return values;
}

// Rearranges a sequence in place so that position i receives what was at order[i] (order is
// a permutation), following each cycle once: every element moves once, and one is held
// aside per cycle. move(to, from) moves an element; hold(from) sets one aside and returns
// it; put(to, held) puts it back.
template <typename Move, typename Hold, typename Put>
void ApplyOrder(const std::vector<int>& order, Move move, Hold hold, Put put) {
  std::vector<bool> done(order.size(), false);
  for (size_t start = 0; start < order.size(); ++start) {
    if (done[start] || order[start] == static_cast<int>(start)) continue;
    auto held = hold(static_cast<int>(start));
    size_t to = start;
    while (static_cast<size_t>(order[to]) != start) {
      move(static_cast<int>(to), order[to]);
      done[to] = true;
      to = static_cast<size_t>(order[to]);
    }
    put(static_cast<int>(to), held);
    done[to] = true;
  }
}

}  // namespace

SortState SortState::Of(const CVeldraDocument& document) {
  SortState state;
  state.levels = document.sort_levels();
  return state;
}

int CompareByKey(const EntryRecord& a, const EntryRecord& b, int32_t key) {
  if (KindOf(key) == KeyKind::kNone) return 0;
  return CompareValues(ValueOf(a, key), ValueOf(b, key), key);
}

int CompareEntries(const EntryRecord& a, const EntryRecord& b, const SortState& state) {
  const int levels = LevelsInUse(state);
  for (int l = 0; l < levels; ++l) {
    int c = CompareByKey(a, b, state.levels[l].key_code);
    if (c != 0) return Directed(c, state.levels[l]);
  }
  return IdTieBreak(a.id, b.id);
}

void SortEntries(std::vector<EntryRecord>& entries, const SortState& state) {
  std::vector<std::array<KeyValue, 3>> values;
  std::vector<int32_t> ids;
  values.reserve(entries.size());
  ids.reserve(entries.size());
  for (const EntryRecord& e : entries) {
    values.push_back(ValuesOf(e, state));
    ids.push_back(e.id);
  }
  std::vector<int> order = SortedOrder(values, ids, state);
  ApplyOrder(order, [&](int to, int from) { entries[to] = entries[from]; },
             [&](int from) { return entries[from]; },
             [&](int to, const EntryRecord& e) { entries[to] = e; });
}

std::vector<int> SortedEntryRows(const RecordArray& table, std::vector<int> rows,
                                 const SortState& state) {
  if (!HoldsRecords<EntryRecord>(table)) return rows;
  // Only the id and the keys' fields of each record are read, into one record reused.
  std::vector<size_t> offsets = {EntryRecord::kIdOffset};
  for (int l = 0; l < LevelsInUse(state); ++l) {
    const size_t offset = FieldOffsetOf(state.levels[l].key_code);
    if (offset != kNoField) offsets.push_back(offset);
  }
  std::vector<std::array<KeyValue, 3>> values;
  std::vector<int32_t> ids;
  values.reserve(rows.size());
  ids.reserve(rows.size());
  EntryRecord e;
  for (int row : rows) {
    if (const uint8_t* bytes = table.At(row)) {
      for (size_t offset : offsets) e.DecodeFieldFrom(bytes, offset);
    } else {
      e = EntryRecord();  // as EntryAt gives for a row outside the table
    }
    values.push_back(ValuesOf(e, state));
    ids.push_back(e.id);
  }
  const std::vector<int> order = SortedOrder(values, ids, state);
  std::vector<int> sorted;
  sorted.reserve(rows.size());
  for (int i : order) sorted.push_back(rows[i]);
  return sorted;
}

RecordArray& ShowSortedEntries(CVeldraDocument& document, std::string_view level1,
                               std::string_view level2, std::string_view level3,
                               const SortState& state, const std::unordered_set<int32_t>* only) {
  std::vector<int> matching = document.MatchingEntries(level1, level2, level3);
  if (only != nullptr) {
    std::erase_if(matching, [&](int row) {
      return only->count(EncodedEntryId(document.entries().At(row))) == 0;
    });
  }
  const std::vector<int> rows = SortedEntryRows(document.entries(), std::move(matching), state);
  RecordArray& shown = document.filtered_entries();
  shown = RecordArray(EntryRecord::kEncodedLength);
  shown.Reserve(static_cast<int>(rows.size()));
  for (int row : rows) shown.Append(document.entries().At(row));
  return shown;
}

void SortDisplayedList(RecordArray& displayed, const SortState& state) {
  if (!HoldsRecords<EntryRecord>(displayed) || displayed.Count() < 2) return;
  std::vector<int> rows(displayed.Count());
  std::iota(rows.begin(), rows.end(), 0);
  const std::vector<int> order = SortedEntryRows(displayed, std::move(rows), state);
  // Each record moves once, within the table; one record is held aside per cycle.
  std::vector<uint8_t> held(EntryRecord::kEncodedLength);
  ApplyOrder(order, [&](int to, int from) { displayed.Set(to, displayed.At(from)); },
             [&](int from) {
               std::memcpy(held.data(), displayed.At(from), held.size());
               return 0;
             },
             [&](int to, int) { displayed.Set(to, held.data()); });
}

}  // namespace veldra::commands
