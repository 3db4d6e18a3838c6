#include "storage/interrupted_rewrite.h"

#include <algorithm>
#include <cstring>
#include <string_view>
#include <unordered_map>
#include <unordered_set>

#include "storage/catalog_coding.h"

namespace veldra {

namespace {

constexpr size_t kIdSize = sizeof(int32_t);

bool Marked(const RecordArray& table, int i) {
  return CarriesMovingMark(table.At(i), table.record_size());
}

std::string Lasting(const RecordArray& table, int i, LastingBytes lasting) {
  return LastingOf(table.At(i), table.record_size(), lasting);
}

std::string_view Body(const RecordArray& table, int i) {
  return RecordBody(table.At(i), table.record_size());
}

}  // namespace

bool CarriesMovingMark(const uint8_t* record, size_t size) {
  return size > kIdSize && record[size - 1] == kRecordMovingMark;
}

std::string_view RecordBody(const uint8_t* record, size_t size) {
  const auto* bytes = reinterpret_cast<const char*>(record);
  return {bytes + kIdSize, size > kIdSize + 1 ? size - kIdSize - 1 : 0};
}

std::string LastingOf(const uint8_t* record, size_t size, LastingBytes lasting) {
  const auto* bytes = reinterpret_cast<const char*>(record);
  if (lasting.length == 0 || lasting.offset + lasting.length > size ||
      lasting.offset2 + lasting.length2 > size) {
    return std::string(RecordBody(record, size));
  }
  std::string out(bytes + lasting.offset, lasting.length);
  out.append(bytes + lasting.offset2, lasting.length2);
  return out;
}

int32_t LeadingRecordId(const uint8_t* record) { return coding::DecodeI32(record); }

std::vector<int> InterruptedRewriteLeftovers(const RecordArray& table, LastingBytes lasting) {
  std::vector<int> leftovers;
  if (table.record_size() < kIdSize) return leftovers;
  // From the back: the first record met of an id is its last copy, a second one an
  // earlier copy; a third one is no trace of an interrupted write.
  std::unordered_map<int32_t, int> last_copy;  // id -> index
  std::vector<int> negative;
  int last_earlier_copy = -1;
  int first_later_copy = table.Count();
  for (int i = table.Count() - 1; i >= 0; --i) {
    const int32_t id = LeadingRecordId(table.At(i));
    if (id < 0) {
      negative.push_back(i);
      continue;
    }
    const auto [later, first_met] = last_copy.emplace(id, i);
    if (first_met) continue;
    if (later->second < 0) return {};  // a third copy
    if (Lasting(table, i, lasting) != Lasting(table, later->second, lasting)) {
      return {};  // two records under one id
    }
    first_later_copy = std::min(first_later_copy, later->second);
    later->second = -1;  // marks an id met twice
    last_earlier_copy = std::max(last_earlier_copy, i);
    leftovers.push_back(i);
  }
  // The write goes from the back to the front: every later copy lies behind every earlier
  // one. Copies interleaved otherwise are damage, not a write of ours.
  if (last_earlier_copy >= first_later_copy) return {};

  // A negative id shows itself by the mark, or by a whole copy under an id that is not
  // negative.
  std::unordered_set<std::string_view> copies;
  bool copies_known = false;
  for (int i : negative) {
    if (!Marked(table, i)) {
      if (!copies_known) {
        for (int k = 0; k < table.Count(); ++k) {
          if (LeadingRecordId(table.At(k)) >= 0) copies.insert(Body(table, k));
        }
        copies_known = true;
      }
      if (copies.count(Body(table, i)) == 0) continue;  // left for the checks
    }
    leftovers.push_back(i);
  }
  std::sort(leftovers.begin(), leftovers.end());
  return leftovers;
}

bool DropInterruptedRewriteLeftovers(RecordArray& table, LastingBytes lasting) {
  const std::vector<int> leftovers = InterruptedRewriteLeftovers(table, lasting);
  bool changed = false;
  if (!leftovers.empty()) {
    // Copied into a new array, so that a long table is moved once, not once per leftover.
    RecordArray kept(table.record_size());
    kept.Reserve(table.Count() - static_cast<int>(leftovers.size()));
    size_t next = 0;
    for (int i = 0; i < table.Count(); ++i) {
      if (next < leftovers.size() && leftovers[next] == i) {
        ++next;
      } else {
        kept.Append(table.At(i));
      }
    }
    table = std::move(kept);
    changed = true;
  }
  // A mark on a record whose id is whole: its write was cut before it changed anything else.
  for (int i = 0; i < table.Count(); ++i) {
    if (Marked(table, i) && LeadingRecordId(table.At(i)) >= 0) {
      table.MutableAt(i)[table.record_size() - 1] = 0;
      changed = true;
    }
  }
  return changed;
}

}  // namespace veldra
