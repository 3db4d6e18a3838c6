#include "storage/record_array.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <limits>
#include <new>
#include <utility>
#include <vector>

#include "platform/memory_hint.h"

namespace veldra {

namespace {

size_t RoundUpTo4(size_t n) { return (n + 3) & ~static_cast<size_t>(3); }

int OrDefault(int value, int fallback) { return value <= 0 ? fallback : value; }

std::atomic<uint64_t> g_change_counter{0};

uint64_t NextChangeStamp() { return g_change_counter.fetch_add(1, std::memory_order_relaxed) + 1; }

// Arrays smaller than this fill without preparation; larger ones are prepared this far ahead.
constexpr size_t kPrepareStep = size_t{1} << 20;

}  // namespace

RecordArray::RecordArray(size_t record_size, int initial_capacity, int growth_step)
    : record_size_(record_size),
      stride_(RoundUpTo4(record_size)),
      initial_capacity_(OrDefault(initial_capacity, kDefaultCapacity)),
      growth_step_(OrDefault(growth_step, kDefaultGrowth)) {}

RecordArray::RecordArray(const RecordArray& other)
    : record_size_(other.record_size_),
      stride_(other.stride_),
      initial_capacity_(other.initial_capacity_),
      growth_step_(other.growth_step_) {
  *this = other;
}

RecordArray& RecordArray::operator=(const RecordArray& other) {
  if (this == &other) return *this;
  record_size_ = other.record_size_;
  stride_ = other.stride_;
  initial_capacity_ = other.initial_capacity_;
  growth_step_ = other.growth_step_;
  Clear();  // stamps every element
  if (other.storage_ == nullptr) return *this;
  const size_t bytes = static_cast<size_t>(other.allocated_) * stride_;
  uint8_t* copy = static_cast<uint8_t*>(std::malloc(bytes == 0 ? 1 : bytes));
  if (copy == nullptr) return *this;
  std::memcpy(copy, other.storage_.get(), static_cast<size_t>(other.count_) * stride_);
  storage_.reset(copy);
  prepared_ = 0;
  count_ = other.count_;
  capacity_ = other.capacity_;
  allocated_ = other.allocated_;
  return *this;
}

RecordArray::RecordArray(RecordArray&& other) noexcept { *this = std::move(other); }

RecordArray& RecordArray::operator=(RecordArray&& other) noexcept {
  if (this == &other) return *this;
  record_size_ = other.record_size_;
  stride_ = other.stride_;
  initial_capacity_ = other.initial_capacity_;
  growth_step_ = other.growth_step_;
  count_ = std::exchange(other.count_, 0);
  capacity_ = std::exchange(other.capacity_, 0);
  allocated_ = std::exchange(other.allocated_, 0);
  storage_ = std::move(other.storage_);
  prepared_ = std::exchange(other.prepared_, 0);
  StampAll();
  other.StampAll();
  return *this;
}

int RecordArray::Count() const { return storage_ ? count_ : 0; }

int RecordArray::Capacity() const { return capacity_; }

void RecordArray::Get(int index, void* out) const {
  if (out == nullptr) return;
  std::memset(out, 0, record_size_);
  if (const uint8_t* element = At(index)) std::memcpy(out, element, record_size_);
}

const uint8_t* RecordArray::At(int index) const {
  if (index < 0 || index >= Count()) return nullptr;
  return storage_.get() + static_cast<size_t>(index) * stride_;
}

uint8_t* RecordArray::MutableAt(int index) {
  if (index < 0 || index >= Count()) return nullptr;
  StampElement(index);
  return storage_.get() + static_cast<size_t>(index) * stride_;
}

void RecordArray::Set(int index, const void* record) {
  if (record == nullptr) return;
  uint8_t* element = MutableAt(index);
  if (element == nullptr) return;
  std::memcpy(element, record, record_size_);
}

uint64_t RecordArray::ChangeStampNow() {
  return g_change_counter.load(std::memory_order_relaxed);
}

bool RecordArray::ChangedSince(int index, uint64_t stamp) const {
  if (all_changed_ > stamp || index < 0 || index >= Count()) return true;
  const auto i = static_cast<size_t>(index);
  return i < element_changed_.size() && element_changed_[i] > stamp;
}

void RecordArray::StampAll() {
  all_changed_ = NextChangeStamp();
  last_change_ = all_changed_;
  element_changed_.clear();  // every element's own stamp is older than all_changed_
}

void RecordArray::StampElement(int index) {
  const auto i = static_cast<size_t>(index);
  if (element_changed_.size() <= i) {
    try {
      element_changed_.resize(static_cast<size_t>(std::max(count_, index + 1)), 0);
    } catch (const std::bad_alloc&) {
      StampAll();  // counting everything as changed is never wrong
      return;
    }
  }
  element_changed_[i] = NextChangeStamp();
  last_change_ = element_changed_[i];
}

bool RecordArray::Grow() {
  constexpr int kMaxElements = std::numeric_limits<int>::max();
  const int step = capacity_ > 0 ? growth_step_ : initial_capacity_;
  if (capacity_ > kMaxElements - step) return false;
  const int new_capacity = capacity_ + step;
  if (new_capacity <= allocated_ && storage_ != nullptr) {
    capacity_ = new_capacity;
    return true;
  }
  // The capacity the caller sees grows by the step; the memory behind it grows by at least
  // half again, so that filling a large table does not reallocate once per step.
  const int64_t target = std::max<int64_t>(new_capacity, int64_t{allocated_} + allocated_ / 2);
  if (!Allocate(target)) return false;
  capacity_ = new_capacity;
  return true;
}

bool RecordArray::Reserve(int count) {
  if (count <= 0 || (count <= allocated_ && storage_ != nullptr)) return true;
  return Allocate(count);
}

bool RecordArray::Allocate(int64_t target) {
  constexpr int kMaxElements = std::numeric_limits<int>::max();
  target = std::min<int64_t>(std::max<int64_t>(target, allocated_), kMaxElements);
  const size_t max_bytes = std::numeric_limits<size_t>::max();
  if (stride_ != 0 && static_cast<size_t>(target) > max_bytes / stride_) return false;
  const size_t new_bytes = static_cast<size_t>(target) * stride_;
  void* grown = std::realloc(storage_.get(), new_bytes == 0 ? 1 : new_bytes);
  if (grown == nullptr) return false;  // the old block is still ours
  // A block that moved holds the elements; what was prepared behind them may be left behind.
  if (grown != storage_.get()) {
    prepared_ = std::min(prepared_, static_cast<size_t>(count_) * stride_);
  }
  // Slots are zero-filled when an element is put into them (Insert), not here: a large
  // table is then touched once instead of twice.
  storage_.release();
  storage_.reset(static_cast<uint8_t*>(grown));
  allocated_ = static_cast<int>(target);
  return true;
}

int RecordArray::Insert(int index, const void* record) {
  if (storage_ == nullptr || count_ >= capacity_) {
    if (!Grow()) return -1;
  }
  if (index < 0) index = 0;
  if (index > count_) index = count_;
  uint8_t* base = storage_.get();
  uint8_t* slot = base + static_cast<size_t>(index) * stride_;
  std::memmove(slot + stride_, slot, static_cast<size_t>(count_ - index) * stride_);
  if (record != nullptr) {
    std::memcpy(slot, record, record_size_);
    std::memset(slot + record_size_, 0, stride_ - record_size_);
  } else {
    std::memset(slot, 0, stride_);
  }
  ++count_;
  StampAll();
  return 0;
}

int RecordArray::Append(const void* record) { return Insert(Count(), record); }

uint8_t* RecordArray::AppendUnfilled() {
  if (storage_ == nullptr || count_ >= capacity_) {
    if (!Grow()) return nullptr;
  }
  const size_t end = static_cast<size_t>(count_ + 1) * stride_;
  if (end > prepared_) PrepareForFilling(end);
  uint8_t* slot = storage_.get() + static_cast<size_t>(count_) * stride_;
  if (stride_ > record_size_) std::memset(slot + record_size_, 0, stride_ - record_size_);
  ++count_;
  StampAll();
  return slot;
}

void RecordArray::PrepareForFilling(size_t end) {
  const size_t bytes = static_cast<size_t>(allocated_) * stride_;
  if (bytes < kPrepareStep) return;
  const size_t to = std::min(bytes, end + kPrepareStep);
  platform::PrepareMemoryForWriting(storage_.get() + prepared_, storage_.get() + to);
  prepared_ = to;
}

void RecordArray::Remove(int index) {
  uint8_t* slot = MutableAt(index);
  if (slot == nullptr) return;
  std::memmove(slot, slot + stride_, static_cast<size_t>(count_ - index - 1) * stride_);
  --count_;
  StampAll();
}

void RecordArray::Clear() {
  storage_.reset();
  prepared_ = 0;
  count_ = 0;
  capacity_ = 0;
  allocated_ = 0;
  StampAll();
}

namespace {

// Quicksort of an index table. Every scan is bounded by the range it works on, so a
// comparator that contradicts itself cannot push an index outside the array.
class IndexSorter {
 public:
  IndexSorter(const RecordArray& array, const RecordArray::Comparator& compare)
      : array_(array), compare_(compare) {}

  void Sort(std::vector<int>& idx) { SortRange(idx, 0, static_cast<int>(idx.size()) - 1); }

 private:
  int Compare(int a, int b) const { return compare_(array_.At(a), array_.At(b)); }

  void InsertionSort(std::vector<int>& idx, int lo, int hi) const {
    for (int i = lo + 1; i <= hi; ++i) {
      const int value = idx[i];
      int j = i - 1;
      while (j >= lo && Compare(idx[j], value) > 0) {
        idx[j + 1] = idx[j];
        --j;
      }
      idx[j + 1] = value;
    }
  }

  void SortRange(std::vector<int>& idx, int lo, int hi) const {
    while (hi - lo >= 16) {
      const int mid = lo + (hi - lo) / 2;
      // Median of three as the pivot.
      if (Compare(idx[mid], idx[lo]) < 0) std::swap(idx[mid], idx[lo]);
      if (Compare(idx[hi], idx[lo]) < 0) std::swap(idx[hi], idx[lo]);
      if (Compare(idx[hi], idx[mid]) < 0) std::swap(idx[hi], idx[mid]);
      const int pivot = idx[mid];
      int i = lo;
      int j = hi;
      while (i <= j) {
        while (i <= hi && Compare(idx[i], pivot) < 0) ++i;
        while (j >= lo && Compare(idx[j], pivot) > 0) --j;
        if (i <= j) {
          std::swap(idx[i], idx[j]);
          ++i;
          --j;
        }
      }
      if (j >= hi || i <= lo) {
        // No split: only a comparator that contradicts itself gets here.
        InsertionSort(idx, lo, hi);
        return;
      }
      // Recurse into the smaller side, loop on the larger: the stack stays logarithmic.
      if (j - lo < hi - i) {
        if (lo < j) SortRange(idx, lo, j);
        lo = i;
      } else {
        if (i < hi) SortRange(idx, i, hi);
        hi = j;
      }
    }
    InsertionSort(idx, lo, hi);
  }

  const RecordArray& array_;
  const RecordArray::Comparator& compare_;
};

}  // namespace

void RecordArray::Sort(const Comparator& compare) {
  const int n = Count();
  if (n < 2 || !compare) return;
  std::vector<int> order(static_cast<size_t>(n));
  for (int i = 0; i < n; ++i) order[static_cast<size_t>(i)] = i;
  IndexSorter(*this, compare).Sort(order);
  StampAll();

  // Move the elements into the sorted order one cycle of the permutation at a time, so
  // that a large table needs room for one spare element only.
  std::vector<uint8_t> spare(stride_);
  std::vector<bool> placed(static_cast<size_t>(n), false);
  uint8_t* base = storage_.get();
  for (int start = 0; start < n; ++start) {
    if (placed[static_cast<size_t>(start)] || order[static_cast<size_t>(start)] == start) {
      continue;
    }
    std::memcpy(spare.data(), base + static_cast<size_t>(start) * stride_, stride_);
    int to = start;
    for (;;) {
      const int from = order[static_cast<size_t>(to)];
      placed[static_cast<size_t>(to)] = true;
      if (from == start) {
        std::memcpy(base + static_cast<size_t>(to) * stride_, spare.data(), stride_);
        break;
      }
      std::memcpy(base + static_cast<size_t>(to) * stride_,
                  base + static_cast<size_t>(from) * stride_, stride_);
      to = from;
    }
  }
}

}  // namespace veldra
