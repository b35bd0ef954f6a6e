#include "view/zoom.hpp"

#include <gtest/gtest.h>

#include <random>

#include "../ctrl/ctrl_fixture.hpp"
#include "common/cell_range.hpp"
#include "model/grid.hpp"

namespace {

using namespace View;

// The ladder and the mapping between widget and workspace pixels, at random
// levels, offsets and anchors.
TEST(ZoomTest, StepsStayInRangeAndAnchorsStayPut) {
    std::mt19937 rng(22);
    std::uniform_real_distribution<double> level(0.05, 5.0);
    std::uniform_real_distribution<double> coord(-3000.0, 3000.0);
    for (int i = 0; i < 500; ++i) {
        const double z = Zoom::clamp(level(rng));
        ASSERT_GE(z, Zoom::MIN);
        ASSERT_LE(z, Zoom::MAX);
        const double in = Zoom::step_in(z);
        const double out = Zoom::step_out(z);
        EXPECT_TRUE(in > z || z == Zoom::MAX) << z;
        EXPECT_TRUE(out < z || z == Zoom::MIN) << z;
        EXPECT_LE(in, Zoom::MAX);
        EXPECT_GE(out, Zoom::MIN);

        const Point offset(coord(rng), coord(rng));
        const Point p(coord(rng), coord(rng));
        const Point back = Zoom::wnd_to_ws(Zoom::ws_to_wnd(p, offset, z), offset, z);
        EXPECT_NEAR(back.x, p.x, 1e-6);
        EXPECT_NEAR(back.y, p.y, 1e-6);

        const Point anchor(std::abs(coord(rng)) / 3, std::abs(coord(rng)) / 3);
        const double z2 = Zoom::clamp(level(rng));
        const Point moved = Zoom::offset_around(offset, z, z2, anchor);
        const Point before = Zoom::wnd_to_ws(anchor, offset, z);
        const Point after = Zoom::wnd_to_ws(anchor, moved, z2);
        EXPECT_NEAR(before.x, after.x, 1e-6);
        EXPECT_NEAR(before.y, after.y, 1e-6);
    }
    EXPECT_EQ(Zoom::clamp(0.0), 1.0);
    EXPECT_EQ(Zoom::clamp(-2.0), 1.0);
    EXPECT_EQ(Zoom::clamp(1e9), Zoom::MAX);
    EXPECT_EQ(Zoom::step_out(Zoom::step_in(1.0)), 1.0);
}

TEST(ZoomTest, FitAndClampKeepTheViewOnTheCells) {
    const Rectangle world(0, 0, 10000, 5000);
    // Never before the origin nor past the world's end, at any level.
    for (double z : {0.1, 0.5, 1.0, 4.0}) {
        Point p = Zoom::clamp_offset(Point(500, 500), z, 800, 600, world);
        EXPECT_EQ(p, Point(0, 0));
        p = Zoom::clamp_offset(Point(-1e9, -1e9), z, 800, 600, world);
        EXPECT_DOUBLE_EQ(-p.x + 800 / z, std::max(10000.0, 800 / z));
        EXPECT_DOUBLE_EQ(-p.y + 600 / z, std::max(5000.0, 600 / z));
    }
    // A wide area fills the width; a tiny one is capped at the largest level;
    // a huge one at the smallest.
    Zoom::Fit f = Zoom::fit(Rectangle(0, 0, 1600, 300), 800, 600);
    EXPECT_DOUBLE_EQ(f.zoom, 0.5);
    EXPECT_EQ(f.offset, Point(0, 0));
    EXPECT_DOUBLE_EQ(Zoom::fit(Rectangle(0, 0, 10, 10), 800, 600).zoom, Zoom::MAX);
    EXPECT_DOUBLE_EQ(Zoom::fit(Rectangle(0, 0, 1e6, 1e6), 800, 600).zoom, Zoom::MIN);
    EXPECT_DOUBLE_EQ(Zoom::fit(Rectangle(0, 0, 0, 0), 800, 600).zoom, 1.0);
}

class ZoomViewTest : public ::testing::Test, public CtrlFixture {};

// At every level, clicking the middle of a class's cell puts the cursor on
// that very cell, and what the mode hits is what the drawing shows there.
TEST_F(ZoomViewTest, ClicksHitTheCellUnderThePointerAtEveryLevel) {
    show();
    const std::vector<CellPos> cells{{0, 0}, {1, 0}, {3, 1}, {2, 4}, {6, 6}, {12, 9}};
    for (const auto& c : cells) {
        ASSERT_TRUE(ws->add_class(c));
    }
    std::mt19937 rng(7);
    const int w = canvas.get_allocated_width();
    const int h = canvas.get_allocated_height();
    for (double z : {0.1, 0.25, 0.5, 0.8, 1.0, 1.5, 2.0, 4.0}) {
        canvas.set_zoom(z, Point(w / 2.0, h / 2.0));
        ASSERT_DOUBLE_EQ(canvas.get_zoom(), z);
        for (const auto& c : cells) {
            // Scroll the cell into view, then aim at a random point inside it.
            canvas.scroll_into_view(c);
            const Rectangle r = canvas.get_grid().get_rectangle(c.h, c.v);
            std::uniform_real_distribution<double> fx(r.x + 1, r.x + r.width - 1);
            std::uniform_real_distribution<double> fy(r.y + 1, r.y + r.height - 1);
            const Point wnd = Zoom::ws_to_wnd(Point(fx(rng), fy(rng)), canvas.get_view_offset(), z);
            ASSERT_GE(wnd.x, 0);
            ASSERT_GE(wnd.y, 0);
            ASSERT_LT(wnd.x, w) << "cell " << c.h << "," << c.v << " at " << z;
            ASSERT_LT(wnd.y, h) << "cell " << c.h << "," << c.v << " at " << z;
            EXPECT_EQ(ctx->point_to_cell_pos(wnd), c) << "zoom " << z;
            button(GDK_BUTTON_PRESS, 1, wnd.x, wnd.y);
            button(GDK_BUTTON_RELEASE, 1, wnd.x, wnd.y);
            EXPECT_EQ(ctx->get_cell_pos(), c) << "zoom " << z;
        }
    }
    // Zooming edits nothing.
    EXPECT_EQ(ctx->action_processor->get_undo_count(), 0u);
}

TEST_F(ZoomViewTest, FitShowsEveryClassAndKeysKeepTheCursorInView) {
    show();
    const int w = canvas.get_allocated_width();
    const int h = canvas.get_allocated_height();
    for (const CellPos c : {CellPos(0, 0), CellPos(9, 2), CellPos(4, 30), CellPos(40, 5)}) {
        ASSERT_TRUE(ws->add_class(c));
    }
    ctx->set_cell_pos(CellPos(2, 3));
    ASSERT_TRUE(key(GDK_KEY_9, GDK_CONTROL_MASK));
    EXPECT_LT(canvas.get_zoom(), 1.0);
    const Rectangle area = Zoom::diagram_area(*ws, ctx->get_cell_pos());
    const Point tl =
        Zoom::ws_to_wnd(Point(area.x, area.y), canvas.get_view_offset(), canvas.get_zoom());
    const Point br = Zoom::ws_to_wnd(Point(area.x + area.width, area.y + area.height),
                                     canvas.get_view_offset(), canvas.get_zoom());
    EXPECT_GE(tl.x, -1e-6);
    EXPECT_GE(tl.y, -1e-6);
    EXPECT_LE(br.x, w + 1e-6);
    EXPECT_LE(br.y, h + 1e-6);
    // As large as fits: one side is filled.
    EXPECT_TRUE(std::abs(br.x - w) < 1.0 || std::abs(br.y - h) < 1.0);

    // The zoom keys; the cursor cell stays in view through each.
    auto cursor_in_view = [&] {
        const CellPos c = ctx->get_cell_pos();
        const Rectangle r = canvas.get_grid().get_rectangle(c.h, c.v);
        const Point a =
            Zoom::ws_to_wnd(Point(r.x, r.y), canvas.get_view_offset(), canvas.get_zoom());
        const Point b = Zoom::ws_to_wnd(Point(r.x + r.width, r.y + r.height),
                                        canvas.get_view_offset(), canvas.get_zoom());
        return a.x >= -1 && a.y >= -1 && b.x <= w + 1 && b.y <= h + 1;
    };
    ctx->set_cell_pos(CellPos(9, 2));
    for (int i = 0; i < 20; ++i) {
        ASSERT_TRUE(key(GDK_KEY_equal, GDK_CONTROL_MASK));
        EXPECT_TRUE(cursor_in_view()) << canvas.get_zoom();
    }
    EXPECT_DOUBLE_EQ(canvas.get_zoom(), Zoom::MAX);
    ASSERT_TRUE(key(GDK_KEY_0, GDK_CONTROL_MASK));
    EXPECT_DOUBLE_EQ(canvas.get_zoom(), 1.0);
    for (int i = 0; i < 20; ++i) {
        ASSERT_TRUE(key(GDK_KEY_minus, GDK_CONTROL_MASK));
        EXPECT_TRUE(cursor_in_view()) << canvas.get_zoom();
    }
    EXPECT_DOUBLE_EQ(canvas.get_zoom(), Zoom::MIN);
    EXPECT_FALSE(canvas.get_dc()->get_draws_texts());
    ASSERT_TRUE(key(GDK_KEY_plus, GDK_CONTROL_MASK | GDK_SHIFT_MASK));
    EXPECT_GT(canvas.get_zoom(), Zoom::MIN);
    // Scrolling far away leaves the cursor; the next cursor key brings it
    // back into view.
    canvas.set_zoom(1.0, Point());
    canvas.scroll_by(1e7, 1e7);
    EXPECT_FALSE(cursor_in_view());
    EXPECT_EQ(ctx->get_cell_pos(), CellPos(9, 2));
    ASSERT_TRUE(key(GDK_KEY_j));
    EXPECT_TRUE(cursor_in_view());
    canvas.scroll_by(-1e9, -1e9);
    EXPECT_EQ(canvas.get_view_offset(), Point(0, 0));
    // None of this edited the document.
    EXPECT_EQ(ctx->action_processor->get_undo_count(), 0u);
}

}  // namespace
