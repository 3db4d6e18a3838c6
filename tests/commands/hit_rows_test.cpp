#include "commands/hit_rows.h"

#include <gtest/gtest.h>

#include "storage/catalog_table.h"

namespace veldra::commands {
namespace {

struct HitRowCase {
  const char* name;
  std::unordered_set<int32_t> hits;
  int from;
  bool forward;
  int row;  // expected
};

// Rows 0..5 list the entries 50, 40, 30, 20, 10, 0 (the list's order, not the ids').
class HitRowsTest : public ::testing::TestWithParam<HitRowCase> {};

TEST_P(HitRowsTest, GoesToTheNextListedHitWrappingRound) {
  RecordArray displayed(EntryRecord::kEncodedLength);
  for (int32_t id : {50, 40, 30, 20, 10, 0}) {
    EntryRecord e;
    e.id = id;
    AppendRecord(displayed, e);
  }
  const HitRowCase& c = GetParam();
  EXPECT_EQ(NextHitRow(displayed, c.hits, c.from, c.forward), c.row);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, HitRowsTest,
    ::testing::Values(
        HitRowCase{"from_nowhere_forward_takes_the_first", {10, 40}, -1, true, 1},
        HitRowCase{"from_nowhere_back_takes_the_last", {10, 40}, -1, false, 4},
        HitRowCase{"forward_skips_rows_without_a_hit", {10, 40}, 1, true, 4},
        HitRowCase{"forward_wraps_round", {10, 40}, 4, true, 1},
        HitRowCase{"back_wraps_round", {10, 40}, 1, false, 4},
        HitRowCase{"from_a_row_without_a_hit", {10, 40}, 2, false, 1},
        HitRowCase{"the_only_hit_is_found_again", {30}, 2, true, 2},
        HitRowCase{"hits_not_listed_count_for_nothing", {7, 99}, 0, true, -1},
        HitRowCase{"no_hits", {}, 0, true, -1},
        HitRowCase{"a_row_past_the_end_counts_as_nowhere", {0, 50}, 9, true, 0}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(HitRowsTest, AnEmptyListHasNoRow) {
  EXPECT_EQ(NextHitRow(RecordArray(EntryRecord::kEncodedLength), {1}, -1, true), -1);
}

}  // namespace
}  // namespace veldra::commands
