#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <set>
#include <vector>

#include "common/cell_range_index.hpp"
#include "common/cell_range_set.hpp"
#include "common/text_range.hpp"
#include "common/unique_id_generator.hpp"

namespace {

std::vector<CellRangeIndex> members(const CellRangeSet& set) {
    return std::vector<CellRangeIndex>(set.members().begin(), set.members().end());
}

}  // namespace

TEST(CellRangeIndexTest, CutLeavesTheLowerPieceAndReturnsTheUpper) {
    CellRangeIndex inside(2, 8);
    auto upper = inside.cut({4, 5});
    EXPECT_EQ(inside, CellRangeIndex(2, 3));
    ASSERT_TRUE(upper.has_value());
    EXPECT_EQ(*upper, CellRangeIndex(6, 8));

    CellRangeIndex low(2, 8);
    EXPECT_FALSE(low.cut({0, 3}).has_value());
    EXPECT_EQ(low, CellRangeIndex(4, 8));

    CellRangeIndex high(2, 8);
    EXPECT_FALSE(high.cut({5, 12}).has_value());
    EXPECT_EQ(high, CellRangeIndex(2, 4));

    CellRangeIndex covered(2, 8);
    EXPECT_FALSE(covered.cut({1, 9}).has_value());
    EXPECT_EQ(covered, CellRangeIndex(10, 8));
    EXPECT_FALSE(covered.is_enable());

    CellRangeIndex apart(2, 8);
    apart.cut({9, 12});
    EXPECT_EQ(apart, CellRangeIndex(2, 8));
    apart.cut({-5, 1});
    EXPECT_EQ(apart, CellRangeIndex(2, 8));
}

TEST(CellRangeIndexTest, ContainsTreatsNegativeBoundsAsOpen) {
    CellRangeIndex up_to(-1, 5);
    EXPECT_TRUE(up_to.contains(0));
    EXPECT_TRUE(up_to.contains(5));
    EXPECT_TRUE(up_to.contains(-100));
    EXPECT_FALSE(up_to.contains(6));
    CellRangeIndex from(3, -1);
    EXPECT_FALSE(from.contains(2));
    EXPECT_TRUE(from.contains(3));
    EXPECT_TRUE(from.contains(INT32_MAX));
    EXPECT_TRUE(from.excludes(1));
}

TEST(CellRangeIndexTest, ExpandClampsAndReorders) {
    CellRangeIndex r(2, 4);
    EXPECT_EQ(r.expand(MovingDir::UP, 5), CellRangeIndex(0, 4));
    EXPECT_EQ(r.expand(MovingDir::RIGHT, 3), CellRangeIndex(2, 7));
    EXPECT_EQ(r, CellRangeIndex(2, 4));  // the receiver is unchanged
    // Shrinking past the start flips the bounds into order.
    EXPECT_EQ(r.expand(MovingDir::DOWN, -4), CellRangeIndex(0, 2));
    EXPECT_EQ(CellRangeIndex(7, 3).size(), 5);
    EXPECT_EQ(CellRangeIndex(3, 3).size(), 1);
    EXPECT_EQ(CellRangeIndex(1, 3).or_({6, 8}), CellRangeIndex(1, 8));
    EXPECT_TRUE(CellRangeIndex(1, 3).is_overlap({3, 9}));
    EXPECT_FALSE(CellRangeIndex(1, 3).is_overlap({4, 9}));
    EXPECT_TRUE(CellRangeIndex(4, 5).is_subset({4, 9}));
    EXPECT_FALSE(CellRangeIndex(3, 5).is_subset({4, 9}));
}

TEST(CellRangeSetTest, CutKeepsTheQueueOrderUpperPieceFirst) {
    CellRangeSet single;
    single.add({2, 8});
    single.cut({4, 5});
    EXPECT_EQ(members(single), (std::vector<CellRangeIndex>{{6, 8}, {2, 3}}));

    CellRangeSet set;
    set.add({0, 3});
    set.add({5, 20});
    set.add({30, 40});
    set.cut({10, 12});
    // Untouched members keep their places; the split one becomes upper, lower.
    EXPECT_EQ(members(set), (std::vector<CellRangeIndex>{{0, 3}, {13, 20}, {5, 9}, {30, 40}}));
    EXPECT_TRUE(set.is_enable());
    EXPECT_TRUE(set.is_overlap({35, 50}));
    EXPECT_FALSE(set.is_overlap({21, 29}));
}

TEST(CellRangeSetTest, CutDownToNothingIsEmptyAndNotEnabled) {
    CellRangeSet empty;
    EXPECT_FALSE(empty.is_enable());
    CellRangeSet set;
    set.add({2, 4});
    set.add({6, 7});
    set.cut({0, 10});
    EXPECT_TRUE(set.members().empty());
    EXPECT_FALSE(set.is_enable());
    // A disabled member is accepted but makes the set not enabled.
    CellRangeSet mixed;
    mixed.add({1, 2});
    mixed.add({5, 4});
    EXPECT_FALSE(mixed.is_enable());
}

TEST(TextRangeTest, SizeIsSignedDifference) {
    EXPECT_EQ(TextRange(4, 9).size(), 5);
    EXPECT_EQ(TextRange(9, 4).size(), -5);
    EXPECT_EQ(TextRange().size(), 0);
}

TEST(UniqueIdGeneratorTest, IdentifiersAreUniqueWithinOneGenerator) {
    UniqueIdGenerator gen;
    std::set<uint32_t> seen;
    for (int i = 0; i < 20000; ++i) {
        EXPECT_TRUE(seen.insert(gen.new_uid()).second);
    }
    EXPECT_EQ(gen.used_count(), 20000u);
    // Draws are spread over the whole 32-bit range, not small counters.
    EXPECT_GT(*seen.rbegin(), 0xF0000000u);
    EXPECT_LT(*seen.begin(), 0x10000000u);
}

TEST(UniqueIdGeneratorTest, DeleteAndInvalidateMoveTheReservation) {
    UniqueIdGenerator gen;
    uint32_t a = gen.new_uid();
    gen.invalidate_uid(a);  // already in use: nothing changes
    EXPECT_EQ(gen.used_count(), 1u);
    EXPECT_TRUE(gen.is_used(a));
    gen.delete_uid(a);
    EXPECT_FALSE(gen.is_used(a));
    gen.delete_uid(a);  // absent: no effect
    EXPECT_EQ(gen.used_count(), 0u);
    gen.invalidate_uid(42);
    EXPECT_TRUE(gen.is_used(42));
}

TEST(UniqueIdGeneratorTest, GeneratorsKeepSeparateUsedSets) {
    UniqueIdGenerator first;
    uint32_t a = first.new_uid();
    UniqueIdGenerator second;  // reseeds the shared source
    EXPECT_FALSE(second.is_used(a));
    second.invalidate_uid(a);
    first.delete_uid(a);
    EXPECT_TRUE(second.is_used(a));
    EXPECT_FALSE(first.is_used(a));
}
