#include "storage/record_array.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

namespace veldra {
namespace {

struct Rec {
  int32_t key;
  char text[6];
};

Rec R(int key) {
  Rec r{};
  r.key = key;
  std::snprintf(r.text, sizeof r.text, "r%d", key % 1000);
  return r;
}

int KeyAt(const RecordArray& a, int i) {
  Rec r;
  a.Get(i, &r);
  return r.key;
}

std::vector<int> Keys(const RecordArray& a) {
  std::vector<int> keys;
  for (int i = 0; i < a.Count(); ++i) keys.push_back(KeyAt(a, i));
  return keys;
}

TEST(RecordArrayTest, StrideAndLazyStorage) {
  RecordArray a(sizeof(Rec) - 2);  // 8 bytes of record: stride 8
  RecordArray odd(13);
  EXPECT_EQ(odd.stride(), 16u);
  EXPECT_EQ(a.Count(), 0);
  EXPECT_EQ(a.Capacity(), 0);
  EXPECT_EQ(a.At(0), nullptr);
}

TEST(RecordArrayTest, CapacityGrowsByTheStepAndDefaultsTo20) {
  RecordArray a(sizeof(Rec), 3, 0);
  for (int i = 0; i < 4; ++i) {
    Rec r = R(i);
    ASSERT_EQ(a.Append(&r), 0);
  }
  EXPECT_EQ(a.Capacity(), 23);  // 3, then one step of the default 20
  RecordArray d(sizeof(Rec), -5, -1);
  Rec r = R(1);
  d.Append(&r);
  EXPECT_EQ(d.Capacity(), 20);
  for (int i = 0; i < 20; ++i) d.Append(&r);
  EXPECT_EQ(d.Capacity(), 40);
  EXPECT_EQ(d.Count(), 21);
}

TEST(RecordArrayTest, GetOutsideYieldsAllZeroRecord) {
  RecordArray a(sizeof(Rec));
  Rec r = R(7);
  a.Append(&r);
  Rec out;
  std::memset(&out, 0xAB, sizeof out);
  a.Get(1, &out);
  Rec zero{};
  EXPECT_EQ(std::memcmp(&out, &zero, sizeof out), 0);
  std::memset(&out, 0xAB, sizeof out);
  a.Get(-1, &out);
  EXPECT_EQ(std::memcmp(&out, &zero, sizeof out), 0);
  a.Get(0, &out);
  EXPECT_EQ(out.key, 7);
  EXPECT_STREQ(out.text, "r7");
}

TEST(RecordArrayTest, InsertClampsAndShifts) {
  RecordArray a(sizeof(Rec), 2, 2);
  Rec r1 = R(1), r2 = R(2), r3 = R(3), r4 = R(4);
  a.Append(&r1);
  a.Insert(0, &r2);     // 2 1
  a.Insert(99, &r3);    // 2 1 3
  a.Insert(-4, &r4);    // 4 2 1 3
  a.Insert(2, nullptr);  // 4 2 0 1 3
  EXPECT_EQ(Keys(a), (std::vector<int>{4, 2, 0, 1, 3}));
  Rec zero{}, got;
  a.Get(2, &got);
  EXPECT_EQ(std::memcmp(&got, &zero, sizeof got), 0);
}

TEST(RecordArrayTest, SetAndRemoveIgnoreIndexesOutside) {
  RecordArray a(sizeof(Rec));
  for (int i = 0; i < 4; ++i) {
    Rec r = R(i);
    a.Append(&r);
  }
  Rec r9 = R(9);
  a.Set(4, &r9);
  a.Set(-1, &r9);
  a.Set(1, &r9);
  a.Remove(4);
  a.Remove(-1);
  a.Remove(0);  // 9 2 3
  EXPECT_EQ(Keys(a), (std::vector<int>{9, 2, 3}));
  a.Remove(2);
  EXPECT_EQ(Keys(a), (std::vector<int>{9, 2}));
}

TEST(RecordArrayTest, ClearFreesAndArrayIsUsableAgain) {
  RecordArray a(sizeof(Rec), 5, 5);
  Rec r = R(1);
  a.Append(&r);
  a.Clear();
  EXPECT_EQ(a.Count(), 0);
  EXPECT_EQ(a.Capacity(), 0);
  EXPECT_EQ(a.At(0), nullptr);
  ASSERT_EQ(a.Append(&r), 0);
  EXPECT_EQ(a.Capacity(), 5);
  EXPECT_EQ(KeyAt(a, 0), 1);
}

TEST(RecordArrayTest, CopiesAreIndependent) {
  RecordArray a(sizeof(Rec));
  Rec r = R(1);
  a.Append(&r);
  RecordArray b = a;
  Rec r2 = R(2);
  b.Set(0, &r2);
  b.Append(&r2);
  EXPECT_EQ(Keys(a), (std::vector<int>{1}));
  EXPECT_EQ(Keys(b), (std::vector<int>{2, 2}));
  RecordArray c = std::move(b);
  EXPECT_EQ(Keys(c), (std::vector<int>{2, 2}));
}

TEST(RecordArrayTest, LargeTableKeepsEveryRecord) {
  RecordArray a(4644);
  std::vector<uint8_t> rec(4644);
  for (int i = 0; i < 3000; ++i) {
    std::memset(rec.data(), i & 0xFF, rec.size());
    std::memcpy(rec.data(), &i, sizeof i);
    ASSERT_EQ(a.Append(rec.data()), 0);
  }
  ASSERT_EQ(a.Count(), 3000);
  EXPECT_EQ(a.Capacity(), 3000);
  for (int i = 0; i < 3000; i += 97) {
    int key;
    std::memcpy(&key, a.At(i), sizeof key);
    EXPECT_EQ(key, i);
    EXPECT_EQ(a.At(i)[4643], static_cast<uint8_t>(i & 0xFF));
  }
}

int CompareKeys(const uint8_t* x, const uint8_t* y) {
  int32_t a, b;
  std::memcpy(&a, x, 4);
  std::memcpy(&b, y, 4);
  return a < b ? -1 : (a > b ? 1 : 0);
}

TEST(RecordArraySortTest, SortsWithThreeWayComparator) {
  RecordArray a(sizeof(Rec));
  std::mt19937 rng(7);
  std::vector<int> keys;
  for (int i = 0; i < 1000; ++i) {
    const int k = static_cast<int>(rng() % 200);  // many equal keys
    keys.push_back(k);
    Rec r = R(k);
    a.Append(&r);
  }
  a.Sort(CompareKeys);
  std::sort(keys.begin(), keys.end());
  EXPECT_EQ(Keys(a), keys);
  // Records move whole: the text still belongs to its key.
  for (int i = 0; i < a.Count(); ++i) {
    Rec r;
    a.Get(i, &r);
    EXPECT_EQ(std::string(r.text), "r" + std::to_string(r.key));
  }
}

TEST(RecordArraySortTest, DescendingAndAlreadySortedInputs) {
  RecordArray a(sizeof(Rec));
  for (int i = 100; i > 0; --i) {
    Rec r = R(i);
    a.Append(&r);
  }
  a.Sort(CompareKeys);
  std::vector<int> expected;
  for (int i = 1; i <= 100; ++i) expected.push_back(i);
  EXPECT_EQ(Keys(a), expected);
  a.Sort(CompareKeys);
  EXPECT_EQ(Keys(a), expected);
}

TEST(RecordArraySortTest, ContradictoryComparatorKeepsTheSameElements) {
  for (int mode = 0; mode < 3; ++mode) {
    RecordArray a(sizeof(Rec));
    for (int i = 0; i < 300; ++i) {
      Rec r = R(i);
      a.Append(&r);
    }
    std::mt19937 rng(mode);
    a.Sort([&](const uint8_t*, const uint8_t*) {
      if (mode == 0) return -1;
      if (mode == 1) return 1;
      return static_cast<int>(rng() % 3) - 1;
    });
    std::vector<int> keys = Keys(a);
    std::sort(keys.begin(), keys.end());
    std::vector<int> expected;
    for (int i = 0; i < 300; ++i) expected.push_back(i);
    EXPECT_EQ(keys, expected) << "mode " << mode;
  }
}

// Arrays of several megabytes are made ready for writing ahead of the elements appended
// unfilled; what the elements hold, and every later operation, is as for a small array.
TEST(RecordArrayTest, LargeUnfilledAppendsKeepTheirBytesThroughGrowthCopiesAndMoves) {
  constexpr size_t kSize = 4644;  // not a multiple of the page size
  constexpr int kCount = 3000;    // about 14 MB
  auto fill = [](uint8_t* slot, int i) {
    for (size_t k = 0; k < kSize; k += 512) slot[k] = static_cast<uint8_t>(i + k);
    slot[kSize - 1] = static_cast<uint8_t>(i);
  };
  auto holds = [](const RecordArray& a, int i) {
    const uint8_t* slot = a.At(i);
    if (slot == nullptr) return false;
    for (size_t k = 0; k < kSize; k += 512) {
      if (slot[k] != static_cast<uint8_t>(i + k)) return false;
    }
    return slot[kSize - 1] == static_cast<uint8_t>(i);
  };
  RecordArray a(kSize);
  for (int i = 0; i < kCount; ++i) {
    uint8_t* slot = a.AppendUnfilled();
    ASSERT_NE(slot, nullptr);
    fill(slot, i);
  }
  ASSERT_EQ(a.Count(), kCount);
  for (int i = 0; i < kCount; i += 7) EXPECT_TRUE(holds(a, i)) << i;

  RecordArray copy(a);
  RecordArray moved(std::move(a));
  EXPECT_EQ(a.Count(), 0);
  for (RecordArray* b : {&copy, &moved}) {
    ASSERT_EQ(b->Count(), kCount);
    uint8_t* slot = b->AppendUnfilled();
    ASSERT_NE(slot, nullptr);
    fill(slot, kCount);
    EXPECT_TRUE(holds(*b, kCount));
    EXPECT_TRUE(holds(*b, kCount - 1));
    EXPECT_TRUE(holds(*b, 0));
  }

  // Filled again from empty after Clear, and into a reserved array.
  copy.Clear();
  RecordArray reserved(kSize);
  ASSERT_TRUE(reserved.Reserve(kCount));
  for (int i = 0; i < kCount; ++i) {
    uint8_t* slot = copy.AppendUnfilled();
    uint8_t* other = reserved.AppendUnfilled();
    ASSERT_NE(slot, nullptr);
    ASSERT_NE(other, nullptr);
    fill(slot, i + 1);
    fill(other, i);
  }
  ASSERT_EQ(copy.Count(), kCount);
  EXPECT_EQ(copy.At(kCount - 1)[kSize - 1], static_cast<uint8_t>(kCount));
  for (int i = 0; i < kCount; i += 11) EXPECT_TRUE(holds(reserved, i)) << i;
  Rec small{};
  RecordArray tiny(sizeof small);
  ASSERT_NE(tiny.AppendUnfilled(), nullptr);
  EXPECT_EQ(tiny.Count(), 1);
}

}  // namespace
}  // namespace veldra
