// RecordArray: an ordered, growable array of fixed-size records, the form in which every
// table lives in memory. Elements are copied in and out as raw bytes.
//
// The array keeps change stamps, so that a table written to a file can later tell which
// elements changed since: every change takes a number from one counter shared by all
// arrays, and ChangeStampNow() is below every change made after it, in any array.
// Set and MutableAt count as a change of their element (MutableAt when it is called: write
// through its pointer right away, never after the table has been saved since); Insert,
// Append, Remove, Sort, Clear and assignment count as a change of every element.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <memory>
#include <vector>

namespace veldra {

class RecordArray {
 public:
  static constexpr int kDefaultCapacity = 20;
  static constexpr int kDefaultGrowth = 20;

  // An initial capacity or growth step of 0 or less means 20. Storage is allocated at the
  // first insertion.
  explicit RecordArray(size_t record_size, int initial_capacity = kDefaultCapacity,
                       int growth_step = kDefaultGrowth);
  // Copies hold their own storage. A copy whose storage cannot be had is empty.
  RecordArray(const RecordArray& other);
  RecordArray& operator=(const RecordArray& other);
  RecordArray(RecordArray&& other) noexcept;
  RecordArray& operator=(RecordArray&& other) noexcept;
  ~RecordArray() = default;

  size_t record_size() const { return record_size_; }
  size_t stride() const { return stride_; }  // record size rounded up to a multiple of 4

  int Count() const;  // 0 while no storage exists
  int Capacity() const;

  // Zero-fills out (record_size() bytes), then copies element index into it when index is
  // inside 0..Count()-1.
  void Get(int index, void* out) const;
  // Direct read access to element index (0..Count()-1); nullptr outside.
  const uint8_t* At(int index) const;
  // Direct write access; stamps the element as changed (see above).
  uint8_t* MutableAt(int index);

  // Ignored outside 0..Count()-1.
  void Set(int index, const void* record);

  // The index is clamped into 0..Count(); later elements move up. A null record inserts a
  // zero-filled one. 0, or -1 when storage could not be had (the array is then unchanged).
  int Insert(int index, const void* record);
  int Append(const void* record);
  // Appends an element whose record bytes the caller fills at once (a table being read from
  // a file): they are not zeroed first, the padding behind them is. The element, or nullptr
  // when storage could not be had.
  // In a large array the memory ahead of the new element is made ready for writing a
  // megabyte at a time where the system allows it, so that filling a table from a file
  // does not stop at every fresh page (at most that megabyte is made ready in vain).
  uint8_t* AppendUnfilled();
  // Makes room for count elements in all, so that filling a table of known size does not
  // move it; Count() and Capacity() stay as they are. false when storage cannot be had.
  bool Reserve(int count);

  // Ignored outside 0..Count()-1; later elements move down.
  void Remove(int index);

  // Frees the storage: count and capacity become 0.
  void Clear();

  // Sorts with a three-way comparator (negative, 0, positive) when Count() >= 2. The order
  // of elements that compare equal is not kept. A comparator that contradicts itself gives
  // some order of the same elements, never a read outside the array.
  using Comparator = std::function<int(const uint8_t* a, const uint8_t* b)>;
  void Sort(const Comparator& compare);

  // Change stamps (see the top of this file).
  static uint64_t ChangeStampNow();
  // Whether element index may have changed after stamp was taken. Indexes outside count as
  // changed.
  bool ChangedSince(int index, uint64_t stamp) const;
  // Whether any element, or the count, may have changed after stamp was taken.
  bool AnyChangeSince(uint64_t stamp) const { return last_change_ > stamp; }

 private:
  struct FreeDeleter {
    void operator()(uint8_t* p) const { std::free(p); }
  };

  // Makes room for one more element; false when storage cannot be had.
  bool Grow();
  // Storage for at least target elements; false when it cannot be had.
  bool Allocate(int64_t target);
  // Makes the storage up to end bytes (and the step after it) ready for writing.
  void PrepareForFilling(size_t end);
  void StampAll();
  void StampElement(int index);

  size_t record_size_;
  size_t stride_;
  int initial_capacity_;
  int growth_step_;
  int count_ = 0;
  int capacity_ = 0;   // as the caller sees it: initial capacity plus growth steps
  int allocated_ = 0;  // elements the storage has room for (at least capacity_)
  // malloc'ed so that growth can use realloc: a large table grows without copying.
  std::unique_ptr<uint8_t, FreeDeleter> storage_;
  // Bytes from the start of storage_ that AppendUnfilled has made ready for writing.
  size_t prepared_ = 0;

  // The last change of every element at once, of each element on its own (empty until the
  // first Set or MutableAt; an element past its end has none of its own), and of anything.
  uint64_t all_changed_ = 0;
  std::vector<uint64_t> element_changed_;
  uint64_t last_change_ = 0;
};

}  // namespace veldra
