#include <gtest/gtest.h>

#include <cairo.h>
#include <vector>

#include "common/cell_pos.hpp"
#include "common/cell_range.hpp"
#include "common/directions.hpp"
#include "common/point.hpp"
#include "common/rectangle.hpp"

TEST(CellPosTest, MoveClampsAtTheTableEdges) {
    CellPos p(0, 0);
    EXPECT_EQ(p.move(MovingDir::UP, 1), CellPos(0, 0));
    CellPos q(65535, 3);
    EXPECT_EQ(q.move(MovingDir::RIGHT, 5), CellPos(65535, 3));
    CellPos r(10, 10);
    r.move(MovingDir::LEFT, 3);
    EXPECT_EQ(r, CellPos(7, 10));
    r.move(MovingDir::DOWN, 2);
    EXPECT_EQ(r, CellPos(7, 12));
    // A huge step must neither overflow nor wrap.
    CellPos s(5, 5);
    EXPECT_EQ(s.move(MovingDir::RIGHT, INT32_MAX), CellPos(65535, 5));
}

TEST(CellPosTest, AddDoesNotClampAndValidityFollows) {
    CellPos sum = CellPos(65535, 0).add(CellPos(1, 0));
    EXPECT_EQ(sum, CellPos(65536, 0));
    EXPECT_FALSE(sum.is_valid());
    EXPECT_TRUE(CellPos(65535, 65535).is_valid());
    EXPECT_FALSE(CellPos(-1, 0).is_valid());
    EXPECT_EQ(sum.clamp(), CellPos(65535, 0));
}

TEST(CellPosTest, LocationAndAxisAccess) {
    CellPos a(3, 7), b(4, 6);
    EXPECT_TRUE(a.is_located_than(MovingDir::LEFT, b));
    EXPECT_FALSE(a.is_located_than(MovingDir::RIGHT, b));
    EXPECT_TRUE(a.is_located_than(MovingDir::DOWN, b));
    EXPECT_FALSE(a.is_located_than(MovingDir::UP, b));
    EXPECT_EQ(a.get(CellDir::H), 3);
    EXPECT_EQ(a.get(CellDir::V), 7);
    a.set(CellDir::V, 9);
    EXPECT_EQ(a.to_string(), "(3, 9)");
}

TEST(DirectionsTest, InversesNamesAndWalk) {
    EXPECT_EQ(inv(CellDir::H), CellDir::V);
    EXPECT_EQ(inv(MovingDir::LEFT), MovingDir::RIGHT);
    EXPECT_EQ(inv(MovingDir::UP), MovingDir::DOWN);
    EXPECT_EQ(to_cell_dir(MovingDir::UP), CellDir::V);
    EXPECT_EQ(to_cell_dir(MovingDir::RIGHT), CellDir::H);
    EXPECT_EQ(to_string(CellDir::V), "V");
    EXPECT_EQ(to_string(static_cast<CellDir>(7)), "(unknown)");
    EXPECT_EQ(to_string(static_cast<MovingDir>(9)), "(invalid)");
    EXPECT_EQ(to_string(StartOrEnd::END), "END");

    std::vector<MovingDir> seen;
    bool all = foreach_moving_dir([&](MovingDir d) {
        seen.push_back(d);
        return d != MovingDir::LEFT;
    });
    EXPECT_FALSE(all);
    EXPECT_EQ(seen, (std::vector<MovingDir>{MovingDir::UP, MovingDir::DOWN, MovingDir::LEFT}));
    EXPECT_TRUE(foreach_moving_dir([](MovingDir) { return true; }));
}

TEST(DirectionsTest, StartOrEndInverseOfUnknownValueIsUnchanged) {
    EXPECT_EQ(inv(StartOrEnd::START), StartOrEnd::END);
    auto odd = static_cast<StartOrEnd>(5);
    EXPECT_EQ(inv(odd), odd);
}

TEST(CellRangeTest, ConsistencyAndText) {
    CellRange r(CellPos(5, 1), CellPos(2, 4));
    r.ensure_consistency();
    EXPECT_EQ(r.start, CellPos(2, 1));
    EXPECT_EQ(r.end, CellPos(5, 4));
    EXPECT_EQ(CellRange(CellPos(1, 2), CellPos(3, 4)).to_string(), "(1, 2)-(3, 4)");
    EXPECT_EQ(r.get_h(), CellRangeIndex(2, 5));
    EXPECT_EQ(r.get_v(), CellRangeIndex(1, 4));
}

TEST(PointTest, ArithmeticAndText) {
    Point p(1, 2);
    Point& same = p.add(Point(3, 4)).sub(Point(1, 1));
    EXPECT_EQ(&same, &p);
    EXPECT_EQ(p, Point(3, 5));
    EXPECT_DOUBLE_EQ(p.norm_sq(), 34.0);
    EXPECT_DOUBLE_EQ(Point::norm_sq2(Point(0, 0), Point(3, 4)), 25.0);
    EXPECT_EQ(Point::median_p(Point(0, 0), Point(4, 2)), Point(2, 1));
    EXPECT_EQ(Point::median_rect(Rectangle(10, 20, 4, 6)), Point(12, 23));
    EXPECT_EQ(Point(2.5, -3).to_string(), "(2.5, -3.0)");
}

TEST(RectangleTest, IntersectionIsClosedAndContainsIncludesEdges) {
    Rectangle a(0, 0, 10, 10);
    EXPECT_TRUE(a.is_intersect(Rectangle(10, 0, 5, 5)));
    EXPECT_TRUE(a.is_intersect(Rectangle(0, 10, 5, 5)));
    EXPECT_FALSE(a.is_intersect(Rectangle(10.5, 0, 5, 5)));
    EXPECT_TRUE(a.contains_xy(Point(10, 10)));
    EXPECT_TRUE(a.contains_xy(Point(0, 5)));
    EXPECT_FALSE(a.contains_xy(Point(10.01, 5)));
}

TEST(RectangleTest, CombineExpandAndSides) {
    Rectangle start(0, 0, 10, 10), end(30, 40, 5, 5);
    EXPECT_EQ(start.combine(end), Rectangle(0, 0, 35, 45));
    Rectangle r(10, 10, 4, 4);
    EXPECT_EQ(r.expand(2), Rectangle(9, 9, 6, 6));
    EXPECT_DOUBLE_EQ(r.get_end(CellDir::H), 15);
    EXPECT_DOUBLE_EQ(r.get_size(CellDir::V), 6);
    EXPECT_EQ(r.get_center(), Point(12, 12));
}

TEST(RectangleTest, RegionIntersection) {
    cairo_rectangle_int_t rects[] = {{100, 100, 10, 10}, {0, 0, 5, 5}};
    cairo_region_t* region = cairo_region_create_rectangles(rects, 2);
    EXPECT_TRUE(Rectangle(5, 5, 1, 1).is_intersect_region(region));
    EXPECT_FALSE(Rectangle(50, 50, 1, 1).is_intersect_region(region));
    cairo_region_destroy(region);
    cairo_region_t* empty = cairo_region_create();
    EXPECT_FALSE(Rectangle(0, 0, 1, 1).is_intersect_region(empty));
    cairo_region_destroy(empty);
}
