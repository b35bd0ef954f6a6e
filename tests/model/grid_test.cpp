#include "model/grid.hpp"

#include <gtest/gtest.h>

using Model::Grid;
using Model::GridList;

TEST(GridTest, EmptyGridIsTheInfiniteDefaultTable) {
    Grid g;
    EXPECT_EQ(g.get_rectangle(0, 0), Rectangle(0, 0, 20, 20));
    EXPECT_EQ(g.get_rectangle(3, 2), Rectangle(60, 40, 20, 20));
    EXPECT_EQ(g.get(CellDir::H).get_index(59.9), 2);
    EXPECT_EQ(g.get(CellDir::H).get_index(60), 3);
    EXPECT_DOUBLE_EQ(g.get(CellDir::V).get(-1), 0.0);
    EXPECT_DOUBLE_EQ(g.get(CellDir::V).get(-7), 0.0);
}

TEST(GridTest, SetSizeStoresOneLineAndShiftsLaterOnes) {
    GridList l;
    l.set_size(2, 50);
    ASSERT_EQ(l.entries().size(), 1u);
    EXPECT_EQ(l.entries()[0].index, 2);
    EXPECT_DOUBLE_EQ(l.entries()[0].pos, 90.0);
    EXPECT_DOUBLE_EQ(l.get(1), 40.0);
    EXPECT_DOUBLE_EQ(l.get(0), 20.0);
    EXPECT_DOUBLE_EQ(l.get_size(1), 20.0);
    EXPECT_DOUBLE_EQ(l.get_size(2), 50.0);
    EXPECT_DOUBLE_EQ(l.get(3), 110.0);
    // A smaller line before the stored one pushes it along.
    l.set_size(0, 30);
    EXPECT_DOUBLE_EQ(l.get(0), 30.0);
    EXPECT_DOUBLE_EQ(l.get(2), 100.0);
    // Growing the stored line moves only what follows.
    l.set_size(2, 60);
    EXPECT_DOUBLE_EQ(l.get(1), 50.0);
    EXPECT_DOUBLE_EQ(l.get(3), 130.0);
}

TEST(GridTest, SizesBelowTheDefaultAreRaisedAndNoOpsStoreNothing) {
    GridList l;
    l.set_size(2, 50);
    l.set_size(5, 5);
    EXPECT_DOUBLE_EQ(l.get_size(5), 20.0);
    // Within 0.01 of a default line's extent: nothing new is stored.
    EXPECT_EQ(l.entries().size(), 1u);
    l.set_size(7, 20.005);
    EXPECT_EQ(l.entries().size(), 1u);
    // A stored line set back to the default keeps its entry.
    l.set_size(2, 20);
    EXPECT_EQ(l.entries().size(), 1u);
    EXPECT_DOUBLE_EQ(l.get(2), 60.0);
}

TEST(GridTest, InsertThenRemoveRestoresPositions) {
    GridList l;
    l.set_size(2, 50);
    l.ins(2);
    ASSERT_EQ(l.entries().size(), 1u);
    EXPECT_EQ(l.entries()[0].index, 3);
    EXPECT_DOUBLE_EQ(l.entries()[0].pos, 110.0);
    EXPECT_DOUBLE_EQ(l.get(1), 40.0);
    EXPECT_DOUBLE_EQ(l.get(2), 60.0);
    l.rm(2);
    EXPECT_EQ(l.entries()[0].index, 2);
    EXPECT_DOUBLE_EQ(l.get(2), 90.0);
    // Inserting after the stored line leaves it alone.
    l.ins(5);
    EXPECT_DOUBLE_EQ(l.get(2), 90.0);
    EXPECT_DOUBLE_EQ(l.get(5), 150.0);
}

TEST(GridTest, RemovingStoredAndDefaultLines) {
    GridList l;
    l.set_size(1, 40);  // 20..60
    l.set_size(4, 50);  // 60..80..100..150
    ASSERT_DOUBLE_EQ(l.get(4), 150.0);
    l.rm(1);  // stored: later lines pull back by 40
    ASSERT_EQ(l.entries().size(), 1u);
    EXPECT_EQ(l.entries()[0].index, 3);
    EXPECT_DOUBLE_EQ(l.entries()[0].pos, 110.0);
    l.rm(0);  // default: pull back by 20
    EXPECT_EQ(l.entries()[0].index, 2);
    EXPECT_DOUBLE_EQ(l.entries()[0].pos, 90.0);
    EXPECT_DOUBLE_EQ(l.get_size(2), 50.0);
    l.rm(-1);
    l.ins(-3);
    EXPECT_DOUBLE_EQ(l.entries()[0].pos, 90.0);
}

TEST(GridTest, GetIndexInsideStoredLinesAndGaps) {
    GridList l;
    l.set_size(1, 40);  // line 1: 20..60
    l.set_size(4, 50);  // lines 2, 3 default: 60..80, 80..100; line 4: 100..150
    EXPECT_EQ(l.get_index(10), 0);
    EXPECT_EQ(l.get_index(20), 1);
    EXPECT_EQ(l.get_index(59.9), 1);
    EXPECT_EQ(l.get_index(60), 2);
    EXPECT_EQ(l.get_index(85), 3);
    EXPECT_EQ(l.get_index(100), 4);
    EXPECT_EQ(l.get_index(149), 4);
    EXPECT_EQ(l.get_index(150), 5);
    EXPECT_EQ(l.get_index(175), 6);
    // Every pixel maps into the line whose extent holds it.
    for (double x = 0; x < 400; x += 0.5) {
        int32_t i = l.get_index(x);
        EXPECT_LE(l.get(i - 1), x);
        EXPECT_LT(x, l.get(i));
    }
}

TEST(GridTest, RangesAndPointLookups) {
    Grid g;
    g.get(CellDir::H).set_size(1, 100);
    g.get(CellDir::V).set_size(0, 50);
    EXPECT_EQ(g.get_rectangle_range(CellRange(CellPos(0, 0), CellPos(1, 1))),
              Rectangle(0, 0, 120, 70));
    EXPECT_EQ(g.get_size(1, 0), Rectangle(0, 0, 100, 50));
    EXPECT_EQ(g.get_top_left_point(CellPos(2, 1)), Point(120, 50));
    EXPECT_EQ(g.get_cell_pos_at_xy(Point(-5, -100)), CellPos(0, 0));
    EXPECT_EQ(g.get_cell_pos_at_xy(Point(119, 51)), CellPos(1, 1));
    EXPECT_EQ(g.get_cell_pos_at_xy(Point(1e12, 1e12)), CellPos(65535, 65535));
}
