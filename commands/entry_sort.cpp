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
  for (const EntryRecord& e : entries) {
    values.push_back(ValuesOf(e, state));
    ids.push_back(e.id);
  }
  std::vector<int> order = SortedOrder(values, ids, state);
  std::vector<EntryRecord> sorted;
  sorted.reserve(entries.size());
  for (int i : order) sorted.push_back(std::move(entries[i]));
  entries = std::move(sorted);
}

void SortDisplayedList(RecordArray& displayed, const SortState& state) {
  if (!HoldsRecords<EntryRecord>(displayed) || displayed.Count() < 2) return;
  const int count = displayed.Count();
  std::vector<std::array<KeyValue, 3>> values;
  std::vector<int32_t> ids;
  values.reserve(count);
  for (int i = 0; i < count; ++i) {
    EntryRecord e = EntryAt(displayed, i);
    values.push_back(ValuesOf(e, state));
    ids.push_back(e.id);
  }
  std::vector<int> order = SortedOrder(values, ids, state);
  std::vector<uint8_t> bytes(static_cast<size_t>(count) * EntryRecord::kEncodedLength);
  for (int i = 0; i < count; ++i) {
    std::memcpy(bytes.data() + static_cast<size_t>(i) * EntryRecord::kEncodedLength,
                displayed.At(order[i]), EntryRecord::kEncodedLength);
  }
  for (int i = 0; i < count; ++i) {
    displayed.Set(i, bytes.data() + static_cast<size_t>(i) * EntryRecord::kEncodedLength);
  }
}

}  // namespace veldra::commands
