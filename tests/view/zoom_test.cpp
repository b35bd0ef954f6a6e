#include "view/zoom.hpp"

#include <gtest/gtest.h>

#include <random>

#include "../ctrl/ctrl_fixture.hpp"
#include "model/grid.hpp"
#include "render/exporting_canvas.hpp"

namespace {

using namespace View;

// Random levels, offsets and anchors: the ladder stays in range and moves,
// the mapping round-trips, and a zoom keeps its anchor's point in place.
TEST(ZoomTest, LadderMappingAndAnchors) {
    std::mt19937 rng(22);
    std::uniform_real_distribution<double> level(0.05, 5.0), coord(-3000.0, 3000.0);
    for (int i = 0; i < 500; ++i) {
        const double z = Zoom::clamp(level(rng)), z2 = Zoom::clamp(level(rng));
        ASSERT_TRUE(z >= Zoom::MIN && z <= Zoom::MAX);
        EXPECT_TRUE(Zoom::step_in(z) > z || z == Zoom::MAX) << z;
        EXPECT_TRUE(Zoom::step_out(z) < z || z == Zoom::MIN) << z;
        const Point offset(coord(rng), coord(rng)), p(coord(rng), coord(rng));
        const Point back = Zoom::wnd_to_ws(Zoom::ws_to_wnd(p, offset, z), offset, z);
        EXPECT_NEAR(back.x, p.x, 1e-6);
        EXPECT_NEAR(back.y, p.y, 1e-6);
        const Point anchor(std::abs(p.x) / 3, std::abs(p.y) / 3);
        const Point before = Zoom::wnd_to_ws(anchor, offset, z);
        const Point after = Zoom::wnd_to_ws(anchor, Zoom::offset_around(offset, z, z2, anchor), z2);
        EXPECT_NEAR(before.x, after.x, 1e-6);
        EXPECT_NEAR(before.y, after.y, 1e-6);
    }
    EXPECT_EQ(Zoom::clamp(-2.0), 1.0);
    EXPECT_EQ(Zoom::clamp(1e9), Zoom::MAX);
    EXPECT_EQ(Zoom::step_out(Zoom::step_in(1.0)), 1.0);

    // Fit fills the tighter side, within MIN..MAX; the view never leaves
    // the world of cells.
    EXPECT_DOUBLE_EQ(Zoom::fit(Rectangle(0, 0, 1600, 300), 800, 600).zoom, 0.5);
    EXPECT_DOUBLE_EQ(Zoom::fit(Rectangle(0, 0, 10, 10), 800, 600).zoom, Zoom::MAX);
    EXPECT_DOUBLE_EQ(Zoom::fit(Rectangle(0, 0, 1e6, 1e6), 800, 600).zoom, Zoom::MIN);
    const Rectangle world(0, 0, 10000, 5000);
    for (double z : {0.1, 1.0, 4.0}) {
        EXPECT_EQ(Zoom::clamp_offset(Point(500, 500), z, 800, 600, world), Point(0, 0));
        const Point far = Zoom::clamp_offset(Point(-1e9, -1e9), z, 800, 600, world);
        EXPECT_DOUBLE_EQ(-far.x + 800 / z, std::max(10000.0, 800 / z));
        EXPECT_DOUBLE_EQ(-far.y + 600 / z, std::max(5000.0, 600 / z));
    }
}

class ZoomViewTest : public ::testing::Test, public CtrlFixture {
  protected:
    bool in_view(const CellPos& c) const {
        const Rectangle r = canvas.get_grid().get_rectangle(c.h, c.v);
        const double z = canvas.get_zoom();
        const Point a = Zoom::ws_to_wnd(Point(r.x, r.y), canvas.get_view_offset(), z);
        const Point b =
            Zoom::ws_to_wnd(Point(r.x + r.width, r.y + r.height), canvas.get_view_offset(), z);
        return a.x >= -1 && a.y >= -1 && b.x <= canvas.get_allocated_width() + 1 &&
               b.y <= canvas.get_allocated_height() + 1;
    }
};

// At every level a click anywhere in a cell as it is drawn puts the cursor
// on that very cell.
TEST_F(ZoomViewTest, ClicksHitTheCellUnderThePointerAtEveryLevel) {
    show();
    const std::vector<CellPos> cells{{0, 0}, {1, 0}, {3, 1}, {2, 4}, {6, 6}, {12, 9}};
    for (const auto& c : cells) {
        ASSERT_TRUE(ws->add_class(c));
    }
    std::mt19937 rng(7);
    for (double z : {0.1, 0.25, 0.5, 0.8, 1.0, 1.5, 2.0, 4.0}) {
        canvas.set_zoom(z, Point(100, 100));
        ASSERT_DOUBLE_EQ(canvas.get_zoom(), z);
        for (const auto& c : cells) {
            canvas.scroll_into_view(c);
            const Rectangle r = canvas.get_grid().get_rectangle(c.h, c.v);
            std::uniform_real_distribution<double> fx(r.x + 1, r.x + r.width - 1);
            std::uniform_real_distribution<double> fy(r.y + 1, r.y + r.height - 1);
            const Point wnd = Zoom::ws_to_wnd(Point(fx(rng), fy(rng)), canvas.get_view_offset(), z);
            ASSERT_TRUE(in_view(c)) << c.h << "," << c.v << " at " << z;
            button(GDK_BUTTON_PRESS, 1, wnd.x, wnd.y);
            button(GDK_BUTTON_RELEASE, 1, wnd.x, wnd.y);
            EXPECT_EQ(ctx->get_cell_pos(), c) << "zoom " << z;
        }
    }
}

// Fit shows every class; the keys keep the cursor in view; the wheel
// scrolls (Shift: sideways) within the cells and, with Control, zooms
// around the pointer; nothing of the document or its export changes.
TEST_F(ZoomViewTest, KeysFitAndWheel) {
    show();
    const std::vector<CellPos> cells{{0, 0}, {9, 2}, {4, 30}, {40, 5}};
    for (const auto& c : cells) {
        ASSERT_TRUE(ws->add_class(c));
    }
    std::string exported;
    ASSERT_TRUE(ExportingCnavas::new_for_selection(ws, std::nullopt)
                    ->export_to_memory(ExportFormat::SVG, exported));
    ctx->set_cell_pos(CellPos(2, 3));
    ASSERT_TRUE(key(GDK_KEY_9, GDK_CONTROL_MASK));
    EXPECT_LT(canvas.get_zoom(), 1.0);
    for (const auto& c : cells) {
        EXPECT_TRUE(in_view(c)) << c.h << "," << c.v;
    }
    ctx->set_cell_pos(CellPos(9, 2));
    for (guint k : {GDK_KEY_equal, GDK_KEY_minus}) {
        for (int i = 0; i < 20; ++i) {
            ASSERT_TRUE(key(k, GDK_CONTROL_MASK));
            EXPECT_TRUE(in_view(ctx->get_cell_pos())) << canvas.get_zoom();
        }
    }
    EXPECT_DOUBLE_EQ(canvas.get_zoom(), Zoom::MIN);
    EXPECT_FALSE(canvas.get_dc()->get_draws_texts());
    ASSERT_TRUE(key(GDK_KEY_plus, GDK_CONTROL_MASK | GDK_SHIFT_MASK));
    EXPECT_DOUBLE_EQ(canvas.get_zoom(), Zoom::step_in(Zoom::MIN));
    ASSERT_TRUE(key(GDK_KEY_0, GDK_CONTROL_MASK));
    EXPECT_DOUBLE_EQ(canvas.get_zoom(), 1.0);

    auto wheel = [&](GdkScrollDirection dir, guint state, double dy = 0) {
        GdkEventScroll ev{};
        ev.type = GDK_SCROLL;
        ev.window = canvas.get_window()->gobj();
        ev.direction = dir;
        ev.state = state;
        ev.x = 150;
        ev.y = 120;
        ev.delta_y = dy;
        gtk_widget_event(GTK_WIDGET(canvas.gobj()), reinterpret_cast<GdkEvent*>(&ev));
    };
    canvas.set_view_offset(Point(0, 0));
    wheel(GDK_SCROLL_DOWN, 0);
    wheel(GDK_SCROLL_DOWN, GDK_SHIFT_MASK);
    EXPECT_EQ(canvas.get_view_offset(), Point(-60, -60));
    wheel(GDK_SCROLL_UP, 0);
    wheel(GDK_SCROLL_UP, 0);  // stops at the first row
    EXPECT_EQ(canvas.get_view_offset(), Point(-60, 0));
    const Point under = canvas.wnd_to_ws(Point(150, 120));
    wheel(GDK_SCROLL_UP, GDK_CONTROL_MASK);
    EXPECT_DOUBLE_EQ(canvas.get_zoom(), Zoom::step_in(1.0));
    wheel(GDK_SCROLL_SMOOTH, GDK_CONTROL_MASK, 1.0);
    EXPECT_LT(canvas.get_zoom(), Zoom::step_in(1.0));
    EXPECT_NEAR(canvas.wnd_to_ws(Point(150, 120)).x, under.x, 1e-6);
    EXPECT_NEAR(canvas.wnd_to_ws(Point(150, 120)).y, under.y, 1e-6);

    // Scrolled far away the cursor stays put; the next cursor key brings it
    // back into view.
    canvas.scroll_by(1e7, 1e7);
    EXPECT_FALSE(in_view(CellPos(9, 2)));
    ASSERT_TRUE(key(GDK_KEY_j));
    EXPECT_EQ(ctx->get_cell_pos(), CellPos(9, 3));
    EXPECT_TRUE(in_view(ctx->get_cell_pos()));

    std::string again;
    ASSERT_TRUE(ExportingCnavas::new_for_selection(ws, std::nullopt)
                    ->export_to_memory(ExportFormat::SVG, again));
    EXPECT_EQ(exported, again);
    EXPECT_EQ(ctx->action_processor->get_undo_count(), 0u);
}

}  // namespace
