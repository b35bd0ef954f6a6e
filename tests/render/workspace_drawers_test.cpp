#include <algorithm>
#include <cmath>
#include <random>

#include <gtest/gtest.h>

#include "model/class_element.hpp"
#include "model/connector_element.hpp"
#include "model/connectors.hpp"
#include "model/element_cells.hpp"
#include "model/grid.hpp"
#include "model/routing/route.hpp"
#include "model/routing/segment.hpp"
#include "model/workspace.hpp"
#include "pixel_test_util.hpp"
#include "render/drawers/class_drawer.hpp"
#include "render/drawers/connector_drawers.hpp"
#include "render/drawers/drawer_list.hpp"
#include "render/drawers/filling_drawer.hpp"
#include "render/drawers/grid_drawers.hpp"

using pixel_test::at;
using pixel_test::cols_of;
using pixel_test::inked;
using pixel_test::near;
using pixel_test::Px;
using pixel_test::rgb;
using pixel_test::rows_of;
using pixel_test::span;

namespace {

View::Rgba rgba(double r, double g, double b, double a = 1.0) {
    View::Rgba c;
    c.set_rgba(r, g, b, a);
    return c;
}

// A colour map whose every colour is distinct and opaque, so a pixel tells
// which colour painted it.
std::shared_ptr<View::ColorMap> probe_map() {
    auto m = std::make_shared<View::ColorMap>();
    m->set_background(rgba(0, 0, 0));
    m->set_grid(rgba(0.2, 0.2, 0.2));
    m->set_active_cell_frame(rgba(1, 1, 0));
    m->set_selected_cell_fill(rgba(0, 1, 1));
    m->set_element_fill(rgba(0, 0, 1));
    m->set_element_line(rgba(1, 0, 0));
    m->set_active_element_fill(rgba(0, 1, 0));
    m->set_active_element_line(rgba(1, 0, 1));
    m->set_active_connector_line(rgba(1, 0.5, 0));
    m->set_text(rgba(1, 1, 1));
    m->set_selected_text(rgba(0.5, 0, 0.5));
    return m;
}

struct WorkspaceDrawersTest : testing::Test {
    std::shared_ptr<Model::Workspace> ws = std::make_shared<Model::Workspace>();
    std::shared_ptr<View::WorkspaceDrawerContext> dc =
        std::make_shared<View::WorkspaceDrawerContext>(ws);

    void SetUp() override {
        dc->configure_img(400, 300);
        dc->set_color_map(probe_map());
    }
    const View::ColorMap& colors() const { return *dc->get_color_map(); }
    Px px(double x, double y) const {
        // Workspace pixels to surface pixels.
        Point o = dc->get_offset();
        return at(dc->get_surface(), static_cast<int>(x + o.x), static_cast<int>(y + o.y));
    }
    Px c(const View::Rgba& rgba) const { return pixel_test::of(rgba); }
    void clear() { View::FillingBackgroundDrawer(dc).draw(dc->get_region()); }
    Model::Grid& grid() { return *ws->get_grid(); }
    std::shared_ptr<Model::ClassElement> klass_at(int h, int v) {
        return std::dynamic_pointer_cast<Model::ClassElement>(ws->get_element_cells()->get(h, v));
    }
    // The class box in workspace pixels.
    Rectangle box_of(int h, int v) {
        Rectangle r = klass_at(h, v)->get_rect();
        Rectangle g = grid().get_rectangle(h, v);
        return Rectangle(r.x + g.x, r.y + g.y, r.width, r.height);
    }
};

}  // namespace

TEST_F(WorkspaceDrawersTest, GridDrawsBackgroundAndTheVisibleLinesOnly) {
    View::GridDrawer gd(dc);
    gd.draw(dc->get_region());
    // The default grid is 20 pixels; line i is drawn on the pixel column of
    // its far edge.
    EXPECT_EQ(px(5, 5), c(colors().get_background()));
    EXPECT_EQ(px(20, 5), c(colors().get_grid()));
    EXPECT_EQ(px(21, 5), c(colors().get_background()));
    EXPECT_EQ(px(5, 40), c(colors().get_grid()));
    EXPECT_EQ(px(5, 41), c(colors().get_background()));

    // Scrolled far away, the drawer visits only the lines in view.
    dc->set_offset(Point(-100000, 0));
    std::vector<double> xs;
    gd.draw_lines(CellDir::H, [&](double x, double y1, double y2) {
        xs.push_back(x);
        EXPECT_DOUBLE_EQ(y1, 0);
        EXPECT_DOUBLE_EQ(y2, 300);
    });
    ASSERT_FALSE(xs.empty());
    EXPECT_LE(xs.size(), 22u);
    // Line i is drawn at its far edge, so the first one in view is the far
    // edge of the column the view starts in.
    EXPECT_LE(xs.front(), 100020);
    EXPECT_GE(xs.back(), 100400);
    gd.draw(dc->get_region());
    EXPECT_EQ(px(100020, 5), c(colors().get_grid()));

    // On paper the grid disappears.
    dc->set_offset(Point(0, 0));
    dc->set_color_map(View::ColorMap::new_for_export());
    gd.draw(dc->get_region());
    EXPECT_EQ(px(20, 5), rgb(255, 255, 255));
    EXPECT_EQ(px(5, 40), rgb(255, 255, 255));
}

TEST_F(WorkspaceDrawersTest, CursorFrameSitsOnTheBorderOfTheCursorCell) {
    clear();
    dc->set_cell_pos(CellPos(2, 1));
    View::CellCursorDrawer(dc).draw(dc->get_region());
    // Cell (2, 1) is (40, 20, 20, 20); the 2-pixel frame is centred on it.
    Px frame = c(colors().get_active_cell_frame());
    EXPECT_EQ(px(39, 30), frame);
    EXPECT_EQ(px(40, 30), frame);
    EXPECT_EQ(px(59, 30), frame);
    EXPECT_EQ(px(50, 19), frame);
    EXPECT_EQ(px(50, 40), frame);
    EXPECT_EQ(px(50, 30), c(colors().get_background()));
    EXPECT_EQ(px(37, 30), c(colors().get_background()));
    EXPECT_EQ(px(50, 42), c(colors().get_background()));
}

TEST_F(WorkspaceDrawersTest, SelectedRangeFillsTheBoxOfItsCellsUntilCleared) {
    View::SelectedRangeDrawer sd(dc);
    clear();
    sd.draw(dc->get_region());
    EXPECT_EQ(px(30, 30), c(colors().get_background()));

    // Given in drag order; the fill covers (1, 1) to (3, 2) all the same.
    dc->set_selected_range(CellRange(CellPos(3, 2), CellPos(1, 1)));
    sd.draw(dc->get_region());
    Px fill = c(colors().get_selected_cell_fill());
    EXPECT_EQ(px(20, 20), fill);
    EXPECT_EQ(px(79, 59), fill);
    EXPECT_EQ(px(19, 30), c(colors().get_background()));
    EXPECT_EQ(px(80, 30), c(colors().get_background()));
    EXPECT_EQ(px(50, 60), c(colors().get_background()));

    dc->set_selected_range(std::nullopt);
    clear();
    sd.draw(dc->get_region());
    EXPECT_EQ(px(30, 30), c(colors().get_background()));
}

TEST_F(WorkspaceDrawersTest, ClassUnderTheCursorUsesTheActiveColours) {
    ASSERT_TRUE(ws->add_class(CellPos(1, 1)));
    ASSERT_TRUE(ws->add_class(CellPos(2, 1)));
    dc->set_cell_pos(CellPos(1, 1));
    clear();
    View::ClassDrawer cd(dc);
    cd.draw(dc->get_region());

    Rectangle a = box_of(1, 1);
    Rectangle b = box_of(2, 1);
    // Inside the left margin of the box (texts start 5 pixels in).
    EXPECT_EQ(px(a.x + 2, a.y + a.height / 2), c(colors().get_active_element_fill()));
    EXPECT_EQ(px(b.x + 2, b.y + b.height / 2), c(colors().get_element_fill()));
    // The outline is a 1-pixel line on the box edge.
    EXPECT_GE(px(a.x, a.y + a.height / 2).b, 100);  // active line is magenta
    EXPECT_GE(px(a.x, a.y + a.height / 2).r, 100);
    EXPECT_GE(px(b.x, b.y + b.height / 2).r, 100);  // normal line is red
    EXPECT_LE(px(b.x, b.y + b.height / 2).g, 10);
    // Outside the boxes nothing is painted.
    EXPECT_EQ(px(a.x - 3, a.y + 2), c(colors().get_background()));

    // Moving the cursor repaints both in swapped colours on the next frame.
    dc->set_cell_pos(CellPos(2, 1));
    cd.draw(dc->get_region());
    EXPECT_EQ(px(a.x + 2, a.y + a.height / 2), c(colors().get_element_fill()));
    EXPECT_EQ(px(b.x + 2, b.y + b.height / 2), c(colors().get_active_element_fill()));

    // Text is drawn: somewhere in the name band there is text colour.
    bool text_seen = false;
    for (double x = b.x + 5; x < b.x + b.width - 5 && !text_seen; ++x) {
        for (double y = b.y + 5; y < b.y + b.height - 5 && !text_seen; ++y) {
            text_seen = near(px(x, y), c(colors().get_text()), 60);
        }
    }
    EXPECT_TRUE(text_seen);
}

TEST_F(WorkspaceDrawersTest, DividerLinesOnlyForShownBlocks) {
    ASSERT_TRUE(ws->add_class(CellPos(0, 0)));
    auto k = klass_at(0, 0);
    View::ClassDrawer cd(dc);
    dc->set_cell_pos(CellPos(5, 5));
    clear();
    cd.draw(dc->get_region());
    Rectangle box = box_of(0, 0);
    // Hidden blocks: the box is only the name band, with no divider inside.
    for (double y = box.y + 2; y < box.y + box.height - 2; ++y) {
        EXPECT_EQ(px(box.x + 2, y), c(colors().get_element_fill())) << "y=" << y;
    }

    ASSERT_TRUE(k->insert_block(1));
    k->block1_elem->set_text("attr");
    ws->update_layout(CellPos(0, 0));
    clear();
    cd.draw(dc->get_region());
    box = box_of(0, 0);
    Rectangle div = k->get_block1_div_rect();
    Rectangle cell = grid().get_rectangle(0, 0);
    double y = cell.y + div.y;
    // One line across the whole box at the top of block 1's band.
    EXPECT_GE(px(box.x + 2, y).r, 100);
    EXPECT_GE(px(box.x + box.width - 2, y).r, 100);
    EXPECT_EQ(px(box.x + 2, y - 3), c(colors().get_element_fill()));
    EXPECT_EQ(px(box.x + 2, y + 3), c(colors().get_element_fill()));
}

TEST_F(WorkspaceDrawersTest, SelectedTextIsHighlightedAndTheCaretShownWhileEditing) {
    ASSERT_TRUE(ws->add_class(CellPos(0, 0)));
    auto k = klass_at(0, 0);
    // Spaces have no ink: what shows is the highlight and the caret.
    k->name_elem->set_text("a      b");
    ws->update_layout(CellPos(0, 0));
    k->name_elem->text_range = TextRange(2, 5);
    dc->set_cell_pos(CellPos(5, 5));
    View::ClassDrawer cd(dc);
    clear();
    cd.draw(dc->get_region());

    auto layout = k->name_elem->pango_layout;
    Rectangle cell = grid().get_rectangle(0, 0);
    Rectangle tr = k->name_elem->get_rect();
    auto char_mid = [&](int i) {
        Pango::Rectangle p = layout->index_to_pos(i);
        return cell.x + tr.x + (p.get_x() + p.get_width() / 2) / 1024.0;
    };
    double y = cell.y + tr.y + layout->index_to_pos(0).get_height() / 1024.0 / 2;
    Px sel = c(colors().get_selected_text());
    EXPECT_TRUE(near(px(char_mid(2), y), sel)) << px(char_mid(2), y);
    EXPECT_TRUE(near(px(char_mid(4), y), sel)) << px(char_mid(4), y);
    EXPECT_EQ(px(char_mid(1), y), c(colors().get_element_fill()));
    EXPECT_EQ(px(char_mid(5), y), c(colors().get_element_fill()));
    // Drawing left the element's own layout alone.
    EXPECT_EQ(layout->get_attributes().gobj(), nullptr);

    // No caret unless editing; then a 2-pixel bar at the cursor index.
    k->name_elem->cursor_index = 6;
    double caret_x = cell.x + tr.x + layout->index_to_pos(6).get_x() / 1024.0;
    clear();
    cd.draw(dc->get_region());
    EXPECT_EQ(px(caret_x + 0.5, y), c(colors().get_element_fill()));
    k->name_elem->is_editing = true;
    cd.draw(dc->get_region());
    EXPECT_TRUE(near(px(caret_x + 0.5, y), c(colors().get_text()), 90));
    EXPECT_EQ(px(caret_x + 3.5, y), c(colors().get_element_fill()));
}

namespace {

// A connector from (1, 1) down to (1, 5) with its segment placed by hand,
// 10.5 pixels into the column, so the line covers whole pixels: from
// (30.5, 35) to (30.5, 105).
std::shared_ptr<Model::AbstractConnectorElement> vertical_connector(Model::Workspace& ws,
                                                                    const char* kind) {
    auto con = Model::new_connector_element(kind, ws.get_elem_context());
    Model::Route route(CellPos(1, 1), CellPos(1, 5));
    route.cells = {CellPos(1, 1), CellPos(1, 2), CellPos(1, 3), CellPos(1, 4), CellPos(1, 5)};
    con->update_route(route);
    auto& seg = *con->get_segments().front();
    seg.start_point = Point(10.5, 15);
    seg.end_point = Point(10.5, 5);
    if (con->start_term) {
        con->start_term->layout_by_segment(seg, false);
    }
    if (con->end_term) {
        con->end_term->layout_by_segment(seg, true);
    }
    ws.get_connector_set()->add(con);
    return con;
}

}  // namespace

TEST_F(WorkspaceDrawersTest, CompositionShowsFilledDiamondAndOpenArrowInTheConnectorsColour) {
    auto con = vertical_connector(*ws, "composition");
    ASSERT_EQ(con->get_segments().size(), 1u);
    View::FixedConnectorDrawer fd(dc);
    clear();
    fd.draw(dc->get_region());
    Px line = c(colors().get_element_line());
    Px bg = c(colors().get_background());
    EXPECT_EQ(px(30, 70), line);
    EXPECT_EQ(px(31, 70), bg);
    // The diamond points up at the start: tip (30.5, 35), filled body below,
    // widest (8) at y = 43.
    EXPECT_EQ(px(28, 43), line);
    EXPECT_EQ(px(32, 43), line);
    EXPECT_EQ(px(30, 30), bg);
    // The open arrow points down at the end, tip (30.5, 105), wings 16
    // above: two strokes, nothing between them.
    EXPECT_GE(px(28.5, 97).r, 100);
    EXPECT_GE(px(32.5, 97).r, 100);
    EXPECT_EQ(px(28.5, 90), bg);
    EXPECT_EQ(px(30, 108), bg);

    // Selected: the active colour at width 2, decorations included.
    con->is_selected = true;
    clear();
    fd.draw(dc->get_region());
    Px active = c(colors().get_active_connector_line());
    // The wider line covers two whole pixels, the one it ran through and its
    // right neighbour.
    EXPECT_EQ(px(30, 70), active);
    EXPECT_EQ(px(31, 70), active);
    EXPECT_EQ(px(29, 70), bg);
    EXPECT_EQ(px(32, 70), bg);
    EXPECT_EQ(px(28, 43), active);
    EXPECT_GE(px(32.5, 97).g, 40);
}

TEST_F(WorkspaceDrawersTest, ThinLinesCoverWholePixelsForAnyViewOffset) {
    ASSERT_TRUE(ws->add_class(CellPos(3, 1)));
    auto con = vertical_connector(*ws, "generalization");
    // As the spring layout leaves it, between pixels, and pulled back from
    // its tip by the triangle.
    auto& seg = *con->get_segments().front();
    seg.start_point.x = 10.3;
    seg.end_point.x = 10.3;
    con->end_term->layout_by_segment(seg, true);
    seg.end_point.y -= con->end_term->get_seg_term_setback();
    const Model::GridList& hl = grid().get(CellDir::H);
    const Model::GridList& vl = grid().get(CellDir::V);
    const Rectangle box = box_of(3, 1);
    const auto surface = dc->get_surface();
    const Px bg = c(colors().get_background());
    const Px gl = c(colors().get_grid());
    const Px line = c(colors().get_element_line());
    const Px fill = c(colors().get_element_fill());
    auto dev = [](double v) { return static_cast<int>(std::floor(v)); };

    for (Point o : {Point(0, 0), Point(-13, -7), Point(-13.4, -6.7), Point(5.5, 2.25)}) {
        SCOPED_TRACE(testing::Message() << "offset " << o.x << "," << o.y);
        dc->set_offset(o);
        View::GridDrawer(dc).draw(dc->get_region());
        View::ClassDrawer(dc).draw(dc->get_region());
        View::FixedConnectorDrawer(dc).draw(dc->get_region());

        // A vertical and a horizontal grid line, away from everything else.
        const int gx = dev(hl.get(6) + o.x);
        const int in_row8 = dev(vl.get(7) + o.y) + 6;
        EXPECT_EQ(cols_of(surface, in_row8, gx - 3, gx + 3, gl), std::vector<int>{gx});
        EXPECT_EQ(cols_of(surface, in_row8, gx - 3, gx + 3, bg).size(), 6u);
        const int gy = dev(vl.get(7) + o.y);
        const int in_col5 = dev(hl.get(5) + o.x) + 6;
        EXPECT_EQ(rows_of(surface, in_col5, gy - 3, gy + 3, gl), std::vector<int>{gy});
        EXPECT_EQ(rows_of(surface, in_col5, gy - 3, gy + 3, bg).size(), 6u);

        // The class box: its left and top outlines are single, whole lines
        // within a pixel of its edges, fill inside, background outside.
        const int mid = dev(box.y + box.height / 2 + o.y);
        auto ls = cols_of(surface, mid, dev(box.x + o.x) - 2, dev(box.x + o.x) + 2, line);
        ASSERT_EQ(ls.size(), 1u);
        const int l = ls.front();
        EXPECT_LE(std::abs(l - (box.x + o.x)), 1.0);
        auto ts = rows_of(surface, l + 3, dev(box.y + o.y) - 2, dev(box.y + o.y) + 2, line);
        ASSERT_EQ(ts.size(), 1u);
        const int t = ts.front();
        const int b = t + static_cast<int>(box.height) - 1;
        EXPECT_EQ(rows_of(surface, l, t, b, line), span(t, b));
        EXPECT_EQ(rows_of(surface, l - 1, t, b, bg), span(t, b));
        EXPECT_EQ(rows_of(surface, l + 1, t + 1, b - 1, fill), span(t + 1, b - 1));
        EXPECT_EQ(cols_of(surface, t, l, l + 20, line), span(l, l + 20));
        EXPECT_EQ(cols_of(surface, t - 1, l, l + 20, bg), span(l, l + 20));
        EXPECT_EQ(cols_of(surface, t + 1, l + 1, l + 20, fill), span(l + 1, l + 20));

        // The connector: one column, running down to the triangle's base,
        // which is one whole row across the line; the triangle is hollow.
        const int row3 = dev(vl.get(2) + 10 + o.y);
        auto cs = cols_of(surface, row3, dev(30 + o.x) - 3, dev(30 + o.x) + 3, line);
        ASSERT_EQ(cs.size(), 1u);
        const int cx = cs.front();
        EXPECT_LE(std::abs(cx - (hl.get(0) + 10.3 + o.x)), 1.0);
        EXPECT_EQ(cols_of(surface, row3, cx - 3, cx + 3, bg).size(), 6u);
        const int tip = dev(vl.get(4) + 5 + o.y);
        int base = row3;
        while (base < tip && at(surface, cx, base + 1) == line) {
            ++base;
        }
        EXPECT_LE(std::abs(base - (tip - 16)), 1);
        EXPECT_EQ(cols_of(surface, base, cx - 3, cx + 3, line), span(cx - 3, cx + 3));
        EXPECT_EQ(at(surface, cx - 2, base - 1), bg);
        EXPECT_EQ(at(surface, cx + 2, base - 1), bg);
        EXPECT_EQ(at(surface, cx, base + 2), bg);
    }
}

TEST_F(WorkspaceDrawersTest, GeneralizationHasAHollowTriangleAndAssociationNoEnds) {
    auto gen = vertical_connector(*ws, "generalization");
    View::FixedConnectorDrawer fd(dc);
    clear();
    fd.draw(dc->get_region());
    // The end points down at (30.5, 105); the base is 16 above the tip,
    // where the line stops.
    EXPECT_GE(px(27, 89).r, 100);                         // the closing base
    EXPECT_EQ(px(29, 95), c(colors().get_background()));  // hollow inside
    ws->get_connector_set()->remove(gen);

    vertical_connector(*ws, "association");
    clear();
    fd.draw(dc->get_region());
    EXPECT_EQ(px(30, 70), c(colors().get_element_line()));
    EXPECT_EQ(px(28, 100), c(colors().get_background()));
    EXPECT_EQ(px(28, 40), c(colors().get_background()));
}

TEST_F(WorkspaceDrawersTest, DependencyAndRealizationAreDashedTheOthersSolid) {
    const Px line = c(colors().get_element_line());
    const Px bg = c(colors().get_background());
    for (const char* kind : {"association", "dependency", "aggregation", "composition",
                             "generalization", "realization"}) {
        SCOPED_TRACE(kind);
        auto con = vertical_connector(*ws, kind);
        clear();
        View::FixedConnectorDrawer(dc).draw(dc->get_region());
        // Along the bare middle of the line, clear of both decorations.
        int gaps = 0;
        for (int y = 55; y < 85; ++y) {
            gaps += px(30, y) == bg ? 1 : 0;
            EXPECT_TRUE(px(30, y) == line || px(30, y) == bg);
        }
        const bool dashed = std::string(kind) == "dependency" || std::string(kind) == "realization";
        EXPECT_EQ(gaps > 0, dashed);
        ws->get_connector_set()->remove(con);
    }
}

TEST_F(WorkspaceDrawersTest, UnroutedConnectorIsADashedLineWithoutDecorations) {
    ASSERT_TRUE(ws->add_class(CellPos(1, 1)));
    ASSERT_TRUE(ws->add_class(CellPos(3, 3)));
    auto con = Model::new_connector_element("aggregation", ws->get_elem_context());
    con->start_pos = CellPos(1, 1);
    con->end_pos = CellPos(3, 3);
    con->start_elem = ws->get_element_cells()->get(1, 1);
    con->end_elem = ws->get_element_cells()->get(3, 3);
    ws->get_connector_set()->add(con);
    clear();
    View::FixedConnectorDrawer(dc).draw(dc->get_region());
    // Nothing at the corner of the start cell, where a decoration without a
    // route used to be painted; a line between the boxes, with gaps.
    EXPECT_EQ(px(16, 28), c(colors().get_background()));
    auto middle = [&](int32_t h, int32_t v) {
        const Rectangle cell = ws->get_grid()->get_rectangle(h, v);
        const Rectangle r = ws->get_element_cells()->get(h, v)->get_rect();
        return Point(cell.x + r.x + r.width / 2, cell.y + r.y + r.height / 2);
    };
    const Point a = middle(1, 1);
    const Point b = middle(3, 3);
    int lit = 0;
    int gaps = 0;
    for (double t = 0.3; t <= 0.7; t += 0.002) {
        const int x = static_cast<int>(a.x + (b.x - a.x) * t);
        const int y = static_cast<int>(a.y + (b.y - a.y) * t);
        const bool on = px(x, y) != c(colors().get_background());
        on ? ++lit : ++gaps;
    }
    EXPECT_GT(lit, 0);
    EXPECT_GT(gaps, 0) << a.x << "," << a.y << " " << b.x << "," << b.y;
}

TEST_F(WorkspaceDrawersTest, CanvasListPaintsSelectionOnTopAndExportListLeavesOutScreenAids) {
    vertical_connector(*ws, "association");
    dc->set_selected_range(CellRange(CellPos(1, 3), CellPos(1, 3)));
    dc->set_cell_pos(CellPos(4, 4));
    View::draw_all(View::new_canvas_drawers(dc), *dc);
    EXPECT_EQ(px(30, 70), c(colors().get_selected_cell_fill()));
    EXPECT_EQ(px(90, 80), c(colors().get_active_cell_frame()));

    dc->set_color_map(View::ColorMap::new_for_export());
    View::draw_all(View::new_export_drawers(dc), *dc);
    EXPECT_EQ(px(30, 70), rgb(0, 0, 0));
    EXPECT_EQ(px(90, 80), rgb(255, 255, 255));
    EXPECT_EQ(px(20, 5), rgb(255, 255, 255));
}

// On crowded diagrams end segments are often shorter than a decoration, or
// than the two on a one-segment connector. Each decoration must then fit its
// segment and the line start where the decoration ends, between the tip and
// the segment's far end, never doubling back under the decoration.
TEST_F(WorkspaceDrawersTest, DecorationsFitTheirEndSegmentsAndLinesNeverDoubleBack) {
    const char* kinds[] = {"composition", "aggregation", "generalization", "dependency"};
    std::mt19937 rng(5);
    int short_ends = 0;
    for (int round = 0; round < 6; ++round) {
        auto w = std::make_shared<Model::Workspace>();
        for (int i = 0; i < 20; ++i) {
            w->add_class(CellPos(static_cast<int32_t>(rng() % 6), static_cast<int32_t>(rng() % 6)));
        }
        std::vector<CellPos> cells;
        w->get_element_cells()->foreach ([&](int32_t h, int32_t v, const auto&) {
            cells.emplace_back(h, v);
            return true;
        });
        for (int i = 0; i < 25; ++i) {
            const CellPos a = cells[rng() % cells.size()];
            const CellPos b = cells[rng() % cells.size()];
            if (w->new_floating_connector(a, kinds[rng() % 4])) {
                if (!w->update_floating_connector(b) || !w->fix_floating_connector()) {
                    w->rm_floating_connector();
                }
            }
        }
        auto wdc = std::make_shared<View::WorkspaceDrawerContext>(w);
        View::FixedConnectorDrawer drawer(wdc);
        w->get_connector_set()->foreach_ordered([&](const auto& con) {
            const View::ConnectorGeometry g = drawer.get_geometry(*con);
            if (g.unrouted || g.lines.empty()) {
                return true;
            }
            const Model::IConnectorTerm* terms[2] = {con->start_term.get(), con->end_term.get()};
            const CellPos term_cells[2] = {con->start_pos, con->end_pos};
            double used[2] = {0.0, 0.0};
            Point tips[2];
            size_t shape = 0;
            for (int i = 0; i < 2; ++i) {
                if (!terms[i] || shape >= g.ends.size()) {
                    continue;
                }
                Point tip = terms[i]->get_term_point();
                tip.add(w->get_grid()->get_top_left_point(term_cells[i]));
                tips[i] = tip;
                const auto& [near, far] =
                    i == 0 ? g.lines.front()
                           : std::make_pair(g.lines.back().second, g.lines.back().first);
                const double room = std::abs(far.x - tip.x) + std::abs(far.y - tip.y);
                if (room < 1.0) {
                    continue;
                }
                const double dx = (far.x - tip.x) / room;
                const double dy = (far.y - tip.y) / room;
                double reach = 0.0;
                for (const auto& piece : g.ends[shape++].pieces) {
                    for (const Point& p : piece) {
                        reach = std::max(reach, (p.x - tip.x) * dx + (p.y - tip.y) * dy);
                    }
                }
                const double along = (near.x - tip.x) * dx + (near.y - tip.y) * dy;
                short_ends += room < 2.0 * terms[i]->get_height_at_upper();
                used[i] = reach;
                EXPECT_LE(reach, room + 1.0) << con->get_uid() << " end " << i;
                EXPECT_GE(along, -1.0) << con->get_uid() << " end " << i;
                EXPECT_LE(along, room + 1.0) << con->get_uid() << " end " << i;
            }
            // A straight connector with both ends decorated: the two share
            // the way between the tips without overlapping.
            if (g.lines.size() == 1 && terms[0] && terms[1]) {
                const double between =
                    std::abs(tips[1].x - tips[0].x) + std::abs(tips[1].y - tips[0].y);
                EXPECT_LE(used[0] + used[1], between + 2.0) << con->get_uid();
            }
            return true;
        });
        ASSERT_FALSE(HasFailure()) << "round " << round;
    }
    // The diagrams must have held the case this is about.
    EXPECT_GT(short_ends, 5);
}
