// Change stamps of RecordArray: what counts as a change of one element or of all of them.
#include <gtest/gtest.h>

#include <cstring>

#include "storage/record_array.h"

namespace veldra {
namespace {

RecordArray Filled(int n) {
  RecordArray a(6);
  for (int i = 0; i < n; ++i) a.Append("abcdef");
  return a;
}

TEST(RecordArrayStampsTest, NothingChangedSinceAStampUntilAWrite) {
  RecordArray a = Filled(5);
  const uint64_t stamp = RecordArray::ChangeStampNow();
  EXPECT_FALSE(a.AnyChangeSince(stamp));
  for (int i = 0; i < 5; ++i) EXPECT_FALSE(a.ChangedSince(i, stamp)) << i;
  // Reading leaves no mark; other arrays' changes do not count.
  uint8_t out[6];
  a.Get(2, out);
  EXPECT_NE(a.At(3), nullptr);
  RecordArray other = Filled(2);
  other.Set(0, "zzzzzz");
  EXPECT_FALSE(a.AnyChangeSince(stamp));
  // Indexes outside count as changed.
  EXPECT_TRUE(a.ChangedSince(5, stamp));
  EXPECT_TRUE(a.ChangedSince(-1, stamp));
}

TEST(RecordArrayStampsTest, SetAndMutableAtMarkTheirElementOnly) {
  RecordArray a = Filled(5);
  const uint64_t stamp = RecordArray::ChangeStampNow();
  a.Set(1, "xxxxxx");
  a.MutableAt(3)[0] = 'y';
  EXPECT_TRUE(a.AnyChangeSince(stamp));
  EXPECT_FALSE(a.ChangedSince(0, stamp));
  EXPECT_TRUE(a.ChangedSince(1, stamp));
  EXPECT_FALSE(a.ChangedSince(2, stamp));
  EXPECT_TRUE(a.ChangedSince(3, stamp));
  // A later stamp sees none of them.
  const uint64_t later = RecordArray::ChangeStampNow();
  EXPECT_FALSE(a.ChangedSince(3, later));
  EXPECT_FALSE(a.AnyChangeSince(later));
  // Calls that change nothing mark nothing.
  a.Set(9, "xxxxxx");
  a.Set(2, nullptr);
  EXPECT_EQ(a.MutableAt(7), nullptr);
  EXPECT_FALSE(a.AnyChangeSince(later));
}

TEST(RecordArrayStampsTest, MovesOfElementsAndReplacementsMarkEveryElement) {
  const auto every_element_changed = [](RecordArray& a, uint64_t stamp) {
    for (int i = 0; i < a.Count(); ++i) {
      if (!a.ChangedSince(i, stamp)) return false;
    }
    return a.AnyChangeSince(stamp);
  };
  RecordArray a = Filled(4);
  uint64_t stamp = RecordArray::ChangeStampNow();
  a.Insert(1, "qqqqqq");
  EXPECT_TRUE(every_element_changed(a, stamp));
  stamp = RecordArray::ChangeStampNow();
  a.Remove(0);
  EXPECT_TRUE(every_element_changed(a, stamp));
  stamp = RecordArray::ChangeStampNow();
  a.Sort([](const uint8_t* x, const uint8_t* y) { return std::memcmp(x, y, 6); });
  EXPECT_TRUE(every_element_changed(a, stamp));
  stamp = RecordArray::ChangeStampNow();
  a = Filled(4);
  EXPECT_TRUE(every_element_changed(a, stamp));
  stamp = RecordArray::ChangeStampNow();
  RecordArray b = Filled(4);
  a = std::move(b);
  EXPECT_TRUE(every_element_changed(a, stamp));
  stamp = RecordArray::ChangeStampNow();
  a.Clear();
  EXPECT_TRUE(a.AnyChangeSince(stamp));
}

TEST(RecordArrayStampsTest, AppendUnfilledAndReserve) {
  RecordArray a(5);  // stride 8: three bytes of padding
  ASSERT_TRUE(a.Reserve(1000));
  EXPECT_EQ(a.Count(), 0);
  EXPECT_EQ(a.Capacity(), 0);
  const uint64_t stamp = RecordArray::ChangeStampNow();
  for (int i = 0; i < 1000; ++i) {
    uint8_t* slot = a.AppendUnfilled();
    ASSERT_NE(slot, nullptr);
    std::memset(slot, 'a' + i % 26, 5);
  }
  EXPECT_TRUE(a.AnyChangeSince(stamp));
  ASSERT_EQ(a.Count(), 1000);
  EXPECT_EQ(a.Capacity(), 1000);  // the initial 20 and steps of 20, as with Append
  EXPECT_EQ(a.At(999)[4], 'a' + 999 % 26);
  EXPECT_EQ(a.At(999)[5], 0);
  EXPECT_EQ(a.At(999)[7], 0);
  EXPECT_TRUE(a.Reserve(10));  // less than there is: nothing happens
  EXPECT_EQ(a.Count(), 1000);
}

}  // namespace
}  // namespace veldra
