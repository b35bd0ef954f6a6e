#include "view/canvas.hpp"

#include <typeinfo>

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "model/workspace.hpp"
#include "render/drawers/class_drawer.hpp"
#include "render/drawers/connector_drawers.hpp"
#include "render/drawers/grid_drawers.hpp"

using View::scroll_offset_component;
using View::visible_rect;

namespace {

// A grid whose columns 0..9 are 100 px wide and rows 0..9 50 px high.
void make_wide(Model::Grid& g) {
    for (int i = 0; i < 10; ++i) {
        g.get(CellDir::H).set_size(i, 100);
        g.get(CellDir::V).set_size(i, 50);
    }
}

Model::Grid wide_grid() {
    Model::Grid g;
    make_wide(g);
    return g;
}

}  // namespace

TEST(CanvasScrollTest, ForwardEndsTheViewAtTheFarEdgeOfTheNextCell) {
    Model::Grid g = wide_grid();
    Rectangle vr = visible_rect(Point(0, 0), 250, 120);
    // Column 2 spans 200..300, past the view's right edge at 250; column 3
    // ends at 400, so the view must start at 400 - 250.
    CellPos pos(2, 0);
    EXPECT_DOUBLE_EQ(scroll_offset_component(CellDir::H, pos, vr, g.get_rectangle(2, 0), g, 0.0),
                     -150.0);
    // Row 2 ends at 150, past 120: the view ends with row 3 at 200.
    pos = CellPos(0, 2);
    EXPECT_DOUBLE_EQ(scroll_offset_component(CellDir::V, pos, vr, g.get_rectangle(0, 2), g, 0.0),
                     -80.0);
}

TEST(CanvasScrollTest, BackwardStartsTheViewAtTheNearEdgeOfThePreviousCell) {
    Model::Grid g = wide_grid();
    Rectangle vr = visible_rect(Point(-450, 0), 250, 120);
    // Column 4 begins at 400, before the view's start at 450: the view
    // moves back to column 3's left edge.
    EXPECT_DOUBLE_EQ(
        scroll_offset_component(CellDir::H, CellPos(4, 0), vr, g.get_rectangle(4, 0), g, -450.0),
        -300.0);
}

TEST(CanvasScrollTest, BackToColumnZeroReturnsExactlyToTheOrigin) {
    Model::Grid g = wide_grid();
    Rectangle vr = visible_rect(Point(-30, -10), 250, 120);
    EXPECT_DOUBLE_EQ(
        scroll_offset_component(CellDir::H, CellPos(0, 0), vr, g.get_rectangle(0, 0), g, -30.0),
        0.0);
    EXPECT_DOUBLE_EQ(
        scroll_offset_component(CellDir::V, CellPos(0, 0), vr, g.get_rectangle(0, 0), g, -10.0),
        0.0);
}

TEST(CanvasScrollTest, CellAndItsNeighboursInViewKeepTheOffset) {
    Model::Grid g = wide_grid();
    Rectangle vr = visible_rect(Point(-100, 0), 350, 120);
    EXPECT_DOUBLE_EQ(
        scroll_offset_component(CellDir::H, CellPos(2, 0), vr, g.get_rectangle(2, 0), g, -100.0),
        -100.0);
    // A cursor touching the far edge has no neighbour in view: it scrolls.
    EXPECT_DOUBLE_EQ(
        scroll_offset_component(CellDir::H, CellPos(1, 0), visible_rect(Point(), 200, 50),
                                g.get_rectangle(1, 0), g, 0.0),
        -100.0);
}

// Walking anywhere, one step at a time, through cells of any size: the
// cursor's cell and both its neighbours stay wholly in view whenever the
// view can hold them, and the cursor's cell always does.
TEST(CanvasScrollTest, EveryStepKeepsANeighbourOfMarginOnBothSides) {
    std::mt19937 rng(22);
    Model::Grid g;
    for (int i = 0; i < 60; ++i) {
        g.get(CellDir::H).set_size(i, 20 + static_cast<int>(rng() % 150));
    }
    for (int view : {170, 300, 520, 900}) {
        double offset = 0;
        int32_t at = 0;
        for (int step = 0; step < 400; ++step) {
            at = std::clamp<int32_t>(at + ((rng() % 3 == 0) ? -1 : 1), 0, 58);
            const CellPos pos(at, 0);
            const Rectangle vr = visible_rect(Point(offset, 0), view, 100);
            offset =
                scroll_offset_component(CellDir::H, pos, vr, g.get_rectangle(at, 0), g, offset);
            const double start = -offset, end = start + view;
            const Rectangle cur = g.get_rectangle(at, 0);
            ASSERT_GE(cur.get_start(CellDir::H), start) << view << " step " << step;
            ASSERT_LE(cur.get_end(CellDir::H), end) << view << " step " << step;
            const Rectangle prev = g.get_rectangle(at - 1, 0), next = g.get_rectangle(at + 1, 0);
            if (next.get_end(CellDir::H) - prev.get_start(CellDir::H) <= view) {
                EXPECT_GE(prev.get_start(CellDir::H), start) << view << " step " << step;
                EXPECT_LE(next.get_end(CellDir::H), end) << view << " step " << step;
            }
        }
    }
}

TEST(CanvasScrollTest, VisibleRectTruncatesTheNegatedOffset) {
    EXPECT_EQ(visible_rect(Point(-10.7, 3.2), 500, 400), Rectangle(10, -3, 500, 400));
}

TEST(CanvasTest, SetCellPosScrollsBothAxesFromTheSameRectangles) {
    auto ws = std::make_shared<Model::Workspace>();
    View::Canvas canvas(ws);
    make_wide(*ws->get_grid());
    // An unshown canvas has no surface yet: cell (1, 1) lies past both far
    // edges, so each axis scrolls.
    Rectangle vr = canvas.get_rect();
    ASSERT_LT(vr.width, 100);
    int changes = 0;
    canvas.signal_view_offset_changed().connect([&] { ++changes; });
    canvas.set_cell_pos(CellPos(1, 1));
    EXPECT_EQ(canvas.get_cell_pos(), CellPos(1, 1));
    // Too small for a neighbour: the view starts at the cursor's cell.
    EXPECT_EQ(canvas.get_view_offset(), Point(-100, -50));
    EXPECT_EQ(changes, 2);
    // The drawing context moves with the view.
    EXPECT_EQ(canvas.get_dc()->get_offset(), canvas.get_view_offset());
    EXPECT_EQ(canvas.get_dc()->get_cell_pos(), CellPos(1, 1));
    // Moving back to the origin cell returns the view to the origin.
    canvas.set_cell_pos(CellPos(0, 0));
    EXPECT_EQ(canvas.get_view_offset(), Point(0, 0));
}

TEST(CanvasTest, PaintsWithItsDrawersInOrderAndKeepsTheSelection) {
    auto ws = std::make_shared<Model::Workspace>();
    View::Canvas canvas(ws);
    int w = 0;
    int h = 0;
    canvas.get_size_request(w, h);
    EXPECT_EQ(w, 500);
    EXPECT_EQ(h, 400);
    const auto& d = canvas.get_drawers();
    ASSERT_EQ(d.size(), 6u);
    // The grid drawer clears the frame, so it must come first; the
    // selection is laid over everything else.
    EXPECT_TRUE(dynamic_cast<View::GridDrawer*>(d[0].get()));
    EXPECT_TRUE(dynamic_cast<View::CellCursorDrawer*>(d[1].get()));
    EXPECT_TRUE(dynamic_cast<View::ClassDrawer*>(d[2].get()));
    EXPECT_TRUE(dynamic_cast<View::FloatingConnectorDrawer*>(d[3].get()));
    EXPECT_TRUE(dynamic_cast<View::FixedConnectorDrawer*>(d[4].get()));
    EXPECT_TRUE(dynamic_cast<View::SelectedRangeDrawer*>(d[5].get()));

    canvas.set_selected_cell_range(CellRange(CellPos(1, 2), CellPos(3, 4)));
    ASSERT_TRUE(canvas.get_dc()->get_selected_range().has_value());
    EXPECT_EQ(canvas.get_selected_cell_range()->end, CellPos(3, 4));
    canvas.set_selected_cell_range(std::nullopt);
    EXPECT_FALSE(canvas.get_selected_cell_range().has_value());
}
