#include "render/drawer_context.hpp"

#include <limits>

#include <gtest/gtest.h>

#include "pixel_test_util.hpp"
#include "render/drawers/filling_drawer.hpp"
#include "render/transform.hpp"

using View::DrawerContext;
using View::TransformMatrix;

TEST(DrawerContextTest, OffsetIsAppliedToTheCairoContextOnEveryChange) {
    DrawerContext dc;
    EXPECT_FALSE(dc.get_cr());
    dc.update_cr_offset();  // no context yet: nothing happens, nothing breaks
    dc.set_offset(Point(-20, 7));
    dc.configure_img(100, 80);
    ASSERT_TRUE(dc.get_cr());
    Cairo::Matrix m;
    dc.get_cr()->get_matrix(m);
    EXPECT_DOUBLE_EQ(m.x0, -20);
    EXPECT_DOUBLE_EQ(m.y0, 7);

    dc.set_offset_x(-50);
    dc.get_cr()->get_matrix(m);
    EXPECT_DOUBLE_EQ(m.x0, -50);
    EXPECT_DOUBLE_EQ(m.y0, 7);
    EXPECT_DOUBLE_EQ(m.xx, 1);
    EXPECT_DOUBLE_EQ(m.yy, 1);

    // A drawer that scaled the context does not leak into the next frame's
    // translation once the offset is applied again.
    dc.get_cr()->scale(3, 3);
    dc.set_offset_y(-4);
    dc.get_cr()->get_matrix(m);
    EXPECT_DOUBLE_EQ(m.xx, 1);
    EXPECT_DOUBLE_EQ(m.x0, -50);
    EXPECT_DOUBLE_EQ(m.y0, -4);

    // Reconfiguring makes a new surface of the new size; the offset survives.
    dc.configure_img(30, 20);
    EXPECT_EQ(dc.get_width(), 30);
    EXPECT_EQ(dc.get_height(), 20);
    dc.get_cr()->get_matrix(m);
    EXPECT_DOUBLE_EQ(m.x0, -50);
    EXPECT_EQ(Cairo::RefPtr<Cairo::ImageSurface>::cast_dynamic(dc.get_surface())->get_width(), 30);
}

TEST(DrawerContextTest, VisibleRectIsTheNegatedOffsetTruncatedTowardsZero) {
    DrawerContext dc;
    dc.configure_img(500, 400);
    dc.set_offset(Point(-10.7, 3.2));
    Cairo::RectangleInt r = dc.get_rect();
    EXPECT_EQ(r.x, 10);
    EXPECT_EQ(r.y, -3);
    EXPECT_EQ(r.width, 500);
    EXPECT_EQ(r.height, 400);
    auto region = dc.get_region();
    EXPECT_EQ(region->get_extents().x, 10);
    EXPECT_EQ(region->get_extents().width, 500);

    // An absurd offset saturates rather than overflowing the integer.
    dc.set_offset(Point(-1e300, 1e300));
    r = dc.get_rect();
    EXPECT_EQ(r.x, std::numeric_limits<int>::max());
    EXPECT_EQ(r.y, std::numeric_limits<int>::min());
}

TEST(DrawerContextTest, EmptyImageCanBePaintedWithoutEffect) {
    auto dc = std::make_shared<DrawerContext>();
    dc->configure_img(0, 0);
    ASSERT_TRUE(dc->get_cr());
    View::FillingBackgroundDrawer bg(dc);
    bg.draw(dc->get_region());
    EXPECT_EQ(dc->get_cr()->get_target()->get_type(), Cairo::SURFACE_TYPE_IMAGE);
    EXPECT_EQ(pixel_test::at(dc->get_surface(), 0, 0).a, -1);  // there is no pixel
}

TEST(DrawerContextTest, ImagesTooLargeToMakeAreRefusedWithoutASurface) {
    auto dc = std::make_shared<DrawerContext>();
    EXPECT_TRUE(dc->configure_img(10, 10));
    EXPECT_FALSE(dc->configure_img(40000, 10));
    EXPECT_FALSE(dc->get_cr());
    EXPECT_FALSE(dc->get_surface());
    EXPECT_FALSE(dc->configure_img(20000, 20000));
    // Drawers on the refused context paint nothing and do not crash.
    View::FillingBackgroundDrawer(dc).draw(dc->get_region());
    EXPECT_TRUE(dc->configure_img(-5, 3));
    EXPECT_EQ(dc->get_width(), 0);
    EXPECT_EQ(dc->get_height(), 3);
}

TEST(DrawerContextTest, FillingDrawersPaintTheWholeSurfaceWhateverTheOffset) {
    auto dc = std::make_shared<DrawerContext>();
    dc->configure_img(40, 30);
    dc->set_offset(Point(-1000, -1000));
    View::FillingBackgroundDrawer bg(dc);
    bg.draw(dc->get_region());
    EXPECT_EQ(pixel_test::at(dc->get_surface(), 0, 0), pixel_test::rgb(0x11, 0x11, 0x11));
    EXPECT_EQ(pixel_test::at(dc->get_surface(), 39, 29), pixel_test::rgb(0x11, 0x11, 0x11));

    // The background is read at draw time, not at construction.
    dc->set_color_map(View::ColorMap::new_for_export());
    bg.draw(dc->get_region());
    EXPECT_EQ(pixel_test::at(dc->get_surface(), 20, 15), pixel_test::rgb(255, 255, 255));

    View::Rgba blue;
    blue.set_rgba(0, 0, 1, 1);
    View::FillingDrawer fill(dc, blue);
    fill.draw(dc->get_region());
    EXPECT_EQ(pixel_test::at(dc->get_surface(), 39, 0), pixel_test::rgb(0, 0, 255));
}

TEST(TransformMatrixTest, DirectionTransformScalesThenRotatesThenMovesTheTip) {
    auto apply = [](const TransformMatrix& m, Point p) { return m.transform(p); };
    auto right = TransformMatrix::new_for_direction(MovingDir::RIGHT, 2, 3, 10, 20);
    EXPECT_EQ(apply(right, Point(0, 0)), Point(10, 20));
    EXPECT_EQ(apply(right, Point(0.5, 1.0)), Point(7, 21));
    auto left = TransformMatrix::new_for_direction(MovingDir::LEFT, 2, 3, 10, 20);
    EXPECT_EQ(apply(left, Point(0.5, 1.0)), Point(13, 19));
    auto up = TransformMatrix::new_for_direction(MovingDir::UP, 2, 3, 10, 20);
    EXPECT_EQ(apply(up, Point(0.5, 1.0)), Point(11, 23));
    auto down = TransformMatrix::new_for_direction(MovingDir::DOWN, 2, 3, 10, 20);
    EXPECT_EQ(apply(down, Point(0.5, 1.0)), Point(9, 17));
    // An out-of-range direction behaves as UP.
    auto odd = TransformMatrix::new_for_direction(static_cast<MovingDir>(9), 2, 3, 10, 20);
    EXPECT_EQ(apply(odd, Point(0.5, 1.0)), Point(11, 23));

    // transform changes the point in place, from its old coordinates.
    Point p(1, 2);
    TransformMatrix m(1, 2, 3, 4, 5, 6);
    Point r = m.transform(p);
    EXPECT_EQ(p, Point(1 + 4 + 5, 3 + 8 + 6));
    EXPECT_EQ(r, p);
}
