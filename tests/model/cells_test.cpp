#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "model/cells.hpp"

namespace {

using Table = Model::Cells<std::string>;
using Cell = std::pair<int32_t, int32_t>;  // (h, v)

std::shared_ptr<std::string> val(const std::string& s) {
    return std::make_shared<std::string>(s);
}

// Everything stored, as (h, v) -> value, independent of hash order.
std::map<Cell, std::string> dump(const Table& t) {
    std::map<Cell, std::string> out;
    t.foreach ([&out](int32_t h, int32_t v, const Table::Value& value) {
        out[{h, v}] = *value;
        return true;
    });
    return out;
}

template <typename Visit>
std::set<Cell> visited(Visit visit) {
    std::set<Cell> out;
    visit([&out](int32_t h, int32_t v, const Table::Value&) {
        out.insert({h, v});
        return true;
    });
    return out;
}

std::set<int32_t> row_indexes(const Table& t) {
    std::set<int32_t> out;
    t.foreach_row_index([&out](int32_t v) {
        out.insert(v);
        return true;
    });
    return out;
}

}  // namespace

TEST(CellsTest, SetGetRemoveAndCount) {
    Table t;
    EXPECT_EQ(t.get(0, 0), nullptr);
    t.set(3, 1, val("a"));
    t.set(4, 1, val("b"));
    t.set(3, 1, val("c"));  // replaces
    EXPECT_EQ(*t.get(3, 1), "c");
    EXPECT_EQ(t.count(), 2);
    EXPECT_TRUE(t.remove(4, 1));
    EXPECT_FALSE(t.remove(4, 1));
    EXPECT_TRUE(t.remove(3, 1));
    EXPECT_EQ(t.count(), 0);
    EXPECT_EQ(t.get(3, 1), nullptr);
    // The emptied row map stays until its row is removed.
    EXPECT_EQ(row_indexes(t), std::set<int32_t>{1});
    t.remove_row(1, 1);
    EXPECT_TRUE(row_indexes(t).empty());
}

TEST(CellsTest, DuplicateSharesValuesButNotStructure) {
    Table t;
    t.set(1, 2, val("x"));
    auto copy = t.duplicate();
    EXPECT_EQ(copy->get(1, 2), t.get(1, 2));  // the same object
    copy->set(5, 5, val("y"));
    copy->remove(1, 2);
    EXPECT_EQ(t.count(), 1);
    EXPECT_EQ(t.get(5, 5), nullptr);
}

TEST(CellsTest, VisitsStopEarlyAndAnswerTheLastResult) {
    Table t;
    for (int i = 0; i < 5; ++i) {
        t.set(i, i, val("v"));
    }
    int calls = 0;
    EXPECT_FALSE(t.foreach ([&calls](int32_t, int32_t, const Table::Value&) {
        ++calls;
        return false;
    }));
    EXPECT_EQ(calls, 1);
    // No callback called: true.
    EXPECT_TRUE(t.foreach_row(99, [](int32_t, int32_t, const Table::Value&) { return false; }));
    EXPECT_TRUE(t.foreach_col(99, [](int32_t, int32_t, const Table::Value&) { return false; }));
    calls = 0;
    EXPECT_FALSE(t.foreach_col_index([&calls](int32_t) { return ++calls < 3; }));
    EXPECT_EQ(calls, 3);
}

TEST(CellsTest, LineVisitsHonourOpenBounds) {
    Table t;
    for (int v = -2; v <= 6; ++v) {
        t.set(7, v, val("col7"));
        t.set(v + 2, 4, val("row4"));  // row 4: columns 0..8
    }
    auto col_part = [&t](CellRangeIndex r) {
        return visited([&](auto fn) { return t.foreach_col_part(7, r, fn); });
    };
    // (-1, 3): everything up to row 3, negative rows included.
    EXPECT_EQ(col_part({-1, 3}),
              (std::set<Cell>{{7, -2}, {7, -1}, {7, 0}, {7, 1}, {7, 2}, {7, 3}}));
    // (2, -1): every row from 2 on.
    EXPECT_EQ(col_part({2, -1}), (std::set<Cell>{{7, 2}, {7, 3}, {7, 4}, {7, 5}, {7, 6}}));
    EXPECT_EQ(visited([&](auto fn) {
                  return t.foreach_line_part(CellDir::V, 4, {3, 5}, fn);
              }),
              (std::set<Cell>{{3, 4}, {4, 4}, {5, 4}}));
    EXPECT_EQ(visited([&](auto fn) { return t.foreach_line(CellDir::H, 7, fn); }).size(), 9u);
    EXPECT_EQ(visited([&](auto fn) {
                  return t.foreach_row_range({5, 6}, fn);
              }),
              (std::set<Cell>{{7, 5}, {7, 6}}));
    EXPECT_EQ(visited([&](auto fn) {
                  return t.foreach_col_range({8, 20}, fn);
              }),
              (std::set<Cell>{{8, 4}}));
    CellRange range(CellPos(6, 3), CellPos(8, 4));
    EXPECT_EQ(visited([&](auto fn) { return t.foreach_range(range, fn); }),
              (std::set<Cell>{{7, 3}, {6, 4}, {7, 4}, {8, 4}}));
    std::set<int32_t> cols;
    t.foreach_line_index(CellDir::H, [&cols](int32_t h) {
        cols.insert(h);
        return true;
    });
    EXPECT_EQ(cols, (std::set<int32_t>{0, 1, 2, 3, 4, 5, 6, 7, 8}));
}

TEST(CellsTest, InsertRowShiftsAndLeavesTheNewRowEmpty) {
    Table t;
    t.set(0, 1, val("r1"));
    t.set(0, 2, val("r2"));
    t.set(0, 5, val("r5"));
    std::set<Cell> shifted;
    t.insert_row(2, 1, [&shifted](int32_t h, int32_t v, const Table::Value&) {
        shifted.insert({h, v});
        return true;
    });
    EXPECT_EQ(shifted, (std::set<Cell>{{0, 3}, {0, 6}}));
    EXPECT_EQ(dump(t),
              (std::map<Cell, std::string>{{{0, 1}, "r1"}, {{0, 3}, "r2"}, {{0, 6}, "r5"}}));
    EXPECT_EQ(t.get(0, 2), nullptr);
}

TEST(CellsTest, RemoveRowReportsOldAndNewPositions) {
    Table t;
    t.set(0, 1, val("r1"));
    t.set(0, 2, val("r2"));
    t.set(3, 2, val("r2b"));
    t.set(0, 5, val("r5"));
    std::map<Cell, std::string> removed, shifted;
    t.remove_row(
        2, 1,
        [&removed](int32_t h, int32_t v, const Table::Value& x) {
            removed[{h, v}] = *x;
            return true;
        },
        [&shifted](int32_t h, int32_t v, const Table::Value& x) {
            shifted[{h, v}] = *x;
            return true;
        });
    EXPECT_EQ(removed, (std::map<Cell, std::string>{{{0, 2}, "r2"}, {{3, 2}, "r2b"}}));
    EXPECT_EQ(shifted, (std::map<Cell, std::string>{{{0, 4}, "r5"}}));
    EXPECT_EQ(dump(t), (std::map<Cell, std::string>{{{0, 1}, "r1"}, {{0, 4}, "r5"}}));
}

TEST(CellsTest, ColumnInsertAndRemoveAcrossRows) {
    Table t;
    for (int h = 0; h < 6; ++h) {
        t.set(h, 0, val("a" + std::to_string(h)));
        t.set(h, 9, val("b" + std::to_string(h)));
    }
    std::set<Cell> removed, shifted;
    t.remove_col(
        1, 2,
        [&removed](int32_t h, int32_t v, const Table::Value&) {
            removed.insert({h, v});
            return true;
        },
        [&shifted](int32_t h, int32_t v, const Table::Value&) {
            shifted.insert({h, v});
            return true;
        });
    EXPECT_EQ(removed, (std::set<Cell>{{1, 0}, {2, 0}, {1, 9}, {2, 9}}));
    EXPECT_EQ(shifted, (std::set<Cell>{{1, 0}, {2, 0}, {3, 0}, {1, 9}, {2, 9}, {3, 9}}));
    EXPECT_EQ(*t.get(0, 0), "a0");
    EXPECT_EQ(*t.get(1, 0), "a3");
    EXPECT_EQ(*t.get(3, 9), "b5");
    EXPECT_EQ(t.get(4, 9), nullptr);
    EXPECT_EQ(t.count(), 8);

    t.insert_line(CellDir::H, 1, 3);
    EXPECT_EQ(*t.get(0, 0), "a0");
    EXPECT_EQ(t.get(1, 0), nullptr);
    EXPECT_EQ(*t.get(4, 0), "a3");
    EXPECT_EQ(*t.get(6, 9), "b5");
    t.remove_line(CellDir::V, 0, 1);
    EXPECT_EQ(*t.get(6, 8), "b5");
    EXPECT_EQ(t.count(), 4);
}

TEST(CellsTest, CallbacksMayEditTheTableWhileVisiting) {
    Table t;
    for (int h = 0; h < 50; ++h) {
        t.set(h, 0, val("x"));
    }
    t.foreach_row(0, [&t](int32_t h, int32_t v, const Table::Value&) {
        t.remove(h, v);
        t.set(h + 100, v + 1, val("moved"));
        return true;
    });
    EXPECT_EQ(t.count(), 50);
    EXPECT_EQ(*t.get(149, 1), "moved");
}
