#include "render/exporting_canvas.hpp"

#include <cmath>
#include <cstdio>
#include <fstream>
#include <iterator>

#include <glib.h>
#include <glib/gstdio.h>
#include <gtest/gtest.h>

#include "model/class_element.hpp"
#include "model/connector_element.hpp"
#include "model/connectors.hpp"
#include "model/element_cells.hpp"
#include "model/grid.hpp"
#include "model/routing/route.hpp"
#include "model/routing/segment.hpp"
#include "model/workspace.hpp"
#include "model/workspace_test_util.hpp"
#include "pixel_test_util.hpp"
#include "render/connector_labels.hpp"

using pixel_test::at;
using pixel_test::cols_of;
using pixel_test::Px;
using pixel_test::rgb;
using pixel_test::rows_of;
using pixel_test::span;
using View::ExportingCnavas;

namespace {

struct ExportTest : testing::Test {
    std::shared_ptr<Model::Workspace> ws = std::make_shared<Model::Workspace>();
    std::string dir;

    void SetUp() override {
        char* d = g_dir_make_tmp("lattrix-export-XXXXXX", nullptr);
        ASSERT_NE(d, nullptr);
        dir = d;
        g_free(d);
    }
    void TearDown() override {
        std::string cmd = "rm -rf '" + dir + "'";
        EXPECT_EQ(std::system(cmd.c_str()), 0);
    }
    std::string path(const char* name) const { return dir + "/" + name; }
    static Cairo::RefPtr<Cairo::ImageSurface> read(const std::string& p) {
        return Cairo::ImageSurface::create_from_png(p);
    }
};

}  // namespace

TEST_F(ExportTest, WithoutSelectionTheFixedCellAreaIsExportedEvenWhenEmpty) {
    auto ec = ExportingCnavas::new_for_selection(ws, std::nullopt);
    ASSERT_TRUE(ec->export_(path("empty.png")));
    auto img = read(path("empty.png"));
    EXPECT_EQ(img->get_width(), 17 * 20);
    EXPECT_EQ(img->get_height(), 11 * 20);
    for (int y = 0; y < img->get_height(); y += 7) {
        for (int x = 0; x < img->get_width(); x += 7) {
            ASSERT_EQ(at(img, x, y), rgb(255, 255, 255)) << x << "," << y;
        }
    }
}

TEST_F(ExportTest, SelectionIsExportedExactlyWithBlackOutlinesOnWhite) {
    ASSERT_TRUE(ws->add_class(CellPos(1, 1)));
    auto k = std::dynamic_pointer_cast<Model::ClassElement>(ws->get_element_cells()->get(1, 1));
    const Model::Grid& g = *ws->get_grid();
    CellRange sel(CellPos(1, 1), CellPos(2, 2));
    Rectangle area = g.get_rectangle_range(sel);
    auto ec = ExportingCnavas::new_for_selection(ws, sel);
    ASSERT_TRUE(ec->export_(path("sel.png")));
    auto img = read(path("sel.png"));
    EXPECT_EQ(img->get_width(), static_cast<int>(area.width));
    EXPECT_EQ(img->get_height(), static_cast<int>(area.height));

    // The class's cell is at the image origin. The exporting context's cursor
    // is (0, 0), but on paper the active colours equal the normal ones anyway.
    Rectangle r = k->get_rect();
    Rectangle cell = g.get_rectangle(1, 1);
    double bx = cell.x - area.x + r.x;
    double by = cell.y - area.y + r.y;
    EXPECT_LT(at(img, static_cast<int>(bx), static_cast<int>(by + r.height / 2)).r, 140);
    // Unfilled inside.
    EXPECT_EQ(at(img, static_cast<int>(bx + 2), static_cast<int>(by + r.height / 2)),
              rgb(255, 255, 255));
    // A reversed selection gives the same area.
    auto rev = ExportingCnavas::new_for_selection(ws, CellRange(sel.end, sel.start));
    EXPECT_EQ(rev->get_image_width(), static_cast<int>(area.width));
}

TEST_F(ExportTest, WhatTheEditorIsDoingNeverShowsInAnExport) {
    ASSERT_TRUE(ws->add_class(CellPos(1, 1)));
    ASSERT_TRUE(ws->add_class(CellPos(1, 3)));
    ASSERT_TRUE(ws->new_floating_connector(CellPos(1, 1), "composition"));
    ASSERT_TRUE(ws->update_floating_connector(CellPos(1, 3)));
    ASSERT_TRUE(ws->fix_floating_connector());
    auto k = std::dynamic_pointer_cast<Model::ClassElement>(ws->get_element_cells()->get(1, 1));
    k->name_elem->set_text("Order");
    auto slurp = [](const std::string& p) {
        std::ifstream f(p, std::ios::binary);
        return std::string((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
    };
    auto export_all = [&](const char* stem) {
        auto ec = ExportingCnavas::new_for_selection(ws, std::nullopt);
        std::string png = path(stem) + ".png";
        std::string svg = path(stem) + ".svg";
        EXPECT_TRUE(ec->export_(png));
        EXPECT_TRUE(ec->export_(svg, View::ExportFormat::SVG));
        return slurp(png) + slurp(svg);
    };
    const std::string plain = export_all("plain");
    ASSERT_GT(plain.size(), 100u);

    // A selected connector, a class being edited with its caret and a text
    // selection, and a preedit-free cursor at the class: the screen shows
    // them all, an export none.
    ws->get_connector_set()->foreach_ordered([](const auto& con) {
        con->is_selected = true;
        return true;
    });
    k->name_elem->is_editing = true;
    k->name_elem->cursor_index = 2;
    k->name_elem->text_range = TextRange(1, 4);
    EXPECT_EQ(export_all("editing"), plain);
}

TEST_F(ExportTest, OutlinesAndConnectorLinesCoverWholePixelsInBlack) {
    ASSERT_TRUE(ws->add_class(CellPos(1, 1)));
    ASSERT_TRUE(ws->add_class(CellPos(1, 3)));
    ASSERT_TRUE(ws->new_floating_connector(CellPos(1, 1), "association"));
    ASSERT_TRUE(ws->update_floating_connector(CellPos(1, 3)));
    ASSERT_TRUE(ws->fix_floating_connector());
    const Model::Grid& g = *ws->get_grid();
    auto box_of = [&](int h, int v) {
        Rectangle r = ws->get_element_cells()->get(h, v)->get_rect();
        Rectangle cell = g.get_rectangle(h, v);
        return Rectangle(cell.x + r.x, cell.y + r.y, r.width, r.height);
    };
    const Rectangle upper = box_of(1, 1);
    const Rectangle lower = box_of(1, 3);
    const Rectangle area = g.get_rectangle_range(CellRange(CellPos(0, 0), CellPos(2, 4)));
    const Px black = rgb(0, 0, 0);
    const Px white = rgb(255, 255, 255);

    // The area as the export picks it, and moved by parts of a pixel, where
    // every line would fall between two pixel columns unless it is snapped.
    for (double shift : {0.0, 0.3, 0.5, 0.8}) {
        SCOPED_TRACE(shift);
        Rectangle shifted(area.x + shift, area.y + shift, area.width, area.height);
        ASSERT_TRUE(std::make_shared<ExportingCnavas>(ws, shifted)->export_(path("c.png")));
        auto img = read(path("c.png"));
        auto near_edge = [](double v) { return static_cast<int>(std::floor(v)); };

        // The upper box in image pixels: find its outline near its edges.
        const double bx = upper.x - shifted.x;
        const double by = upper.y - shifted.y;
        const int mid = near_edge(by + upper.height / 2);
        auto ls = cols_of(img, mid, near_edge(bx) - 2, near_edge(bx) + 2, black);
        ASSERT_EQ(ls.size(), 1u) << "the left edge is not one black column";
        const int l = ls.front();
        auto rs = cols_of(img, mid, near_edge(bx + upper.width) - 2,
                          near_edge(bx + upper.width) + 2, black);
        ASSERT_EQ(rs.size(), 1u) << "the right edge is not one black column";
        const int r = rs.front();
        auto ts = rows_of(img, l + 3, near_edge(by) - 2, near_edge(by) + 2, black);
        ASSERT_EQ(ts.size(), 1u) << "the top edge is not one black row";
        const int t = ts.front();
        auto bs = rows_of(img, l + 3, near_edge(by + upper.height) - 2,
                          near_edge(by + upper.height) + 2, black);
        ASSERT_EQ(bs.size(), 1u) << "the bottom edge is not one black row";
        const int b = bs.front();
        // Within a pixel of the box, inside it.
        EXPECT_LE(std::abs(l - bx), 1.0);
        EXPECT_LE(std::abs(r + 1 - (bx + upper.width)), 1.0);
        EXPECT_LE(std::abs(t - by), 1.0);
        EXPECT_LE(std::abs(b + 1 - (by + upper.height)), 1.0);

        // Whole edges in black, white on either side of them.
        EXPECT_EQ(rows_of(img, l, t, b, black), span(t, b));
        EXPECT_EQ(rows_of(img, r, t, b, black), span(t, b));
        EXPECT_EQ(rows_of(img, l - 1, t, b, white), span(t, b));
        EXPECT_EQ(rows_of(img, l + 1, t + 1, b - 1, white), span(t + 1, b - 1));
        EXPECT_EQ(rows_of(img, r + 1, t, b, white), span(t, b));
        EXPECT_EQ(cols_of(img, t, l, r, black), span(l, r));
        EXPECT_EQ(cols_of(img, b, l, r, black), span(l, r));
        EXPECT_EQ(cols_of(img, t - 1, l, r, white), span(l, r));
        EXPECT_EQ(cols_of(img, b + 1, l - 1, r + 1, white).size(), static_cast<size_t>(r - l + 2))
            << "below the box only the connector is inked";

        // Between the boxes the connector is a single black column that runs
        // from one outline to the other.
        const double ly = lower.y - shifted.y;
        auto lts = rows_of(img, l + 3, near_edge(ly) - 2, near_edge(ly) + 2, black);
        ASSERT_EQ(lts.size(), 1u) << "the lower box's top edge is not one black row";
        const int lower_top = lts.front();
        ASSERT_GT(lower_top, b + 4);
        const int gap = (b + lower_top) / 2;
        auto cs = cols_of(img, gap, 0, img->get_width() - 1, black);
        ASSERT_EQ(cs.size(), 1u) << "the connector is not one black column";
        const int c = cs.front();
        EXPECT_GT(c, l);
        EXPECT_LT(c, r);
        for (int y = b + 1; y < lower_top; ++y) {
            int ink = 0;
            for (int x = 0; x < img->get_width(); ++x) {
                ink += at(img, x, y) != white;
            }
            EXPECT_EQ(ink, 1) << "row " << y;
        }
        EXPECT_EQ(rows_of(img, c, b, lower_top, black), span(b, lower_top));
    }
}

TEST_F(ExportTest, FailedWriteIsReportedAndLeavesAnExistingFileAlone) {
    auto ec = ExportingCnavas::new_for_selection(ws, std::nullopt);
    EXPECT_FALSE(ec->export_(path("no/such/dir/x.png")));
    EXPECT_FALSE(ec->export_(dir));  // a directory

    std::string good = path("good.png");
    {
        std::ofstream f(good);
        f << "keep me";
    }
    ASSERT_EQ(g_chmod(dir.c_str(), 0500), 0);
    bool writable_anyway = ec->export_(good);  // root ignores permissions
    g_chmod(dir.c_str(), 0700);
    if (!writable_anyway) {
        std::ifstream f(good);
        std::string s((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
        EXPECT_EQ(s, "keep me");
    }

    // An area too large for an image writes nothing.
    auto huge = std::make_shared<ExportingCnavas>(ws, Rectangle(0, 0, 1e9, 1e9));
    EXPECT_FALSE(huge->export_(path("huge.png")));
    EXPECT_FALSE(g_file_test(path("huge.png").c_str(), G_FILE_TEST_EXISTS));

    // Taller than any one surface: painted in bands, it is written whole.
    auto tall = std::make_shared<ExportingCnavas>(ws, Rectangle(0, 0, 300, 40000));
    std::string png;
    ASSERT_TRUE(tall->export_to_memory(View::ExportFormat::PNG, png));
    ASSERT_GT(png.size(), 24u);
    auto u32 = [&png](size_t at) {
        return uint32_t{static_cast<unsigned char>(png[at])} << 24 |
               uint32_t{static_cast<unsigned char>(png[at + 1])} << 16 |
               uint32_t{static_cast<unsigned char>(png[at + 2])} << 8 |
               uint32_t{static_cast<unsigned char>(png[at + 3])};
    };
    EXPECT_EQ(u32(16), 300u);
    EXPECT_EQ(u32(20), 40000u);
}

// A label reaching out of the exported cells grows the area, on the left
// and on the right, so no export cuts a label off.
TEST_F(ExportTest, TheAreaHoldsTheLabelsThatReachIntoIt) {
    ASSERT_TRUE(ws->add_class(CellPos(0, 0)));
    ASSERT_TRUE(ws->add_class(CellPos(0, 2)));
    auto con = lattrix_test::connect(*ws, CellPos(0, 0), CellPos(0, 2));
    ASSERT_NE(con, nullptr);
    const std::string role = "0..* the items this order holds, in the order they came";
    ws->set_connector_label(*con, Model::ConnectorLabel::START, role);
    ws->set_connector_label(*con, Model::ConnectorLabel::END, role);
    const CellRange range(CellPos(0, 0), CellPos(0, 2));
    const Rectangle cells = ws->get_grid()->get_rectangle_range(range);
    auto ec = ExportingCnavas::new_for_selection(ws, range);
    std::string svg;
    ASSERT_TRUE(ec->export_to_memory(View::ExportFormat::SVG, svg));
    const auto placed = View::place_connector_labels(*ws);
    ASSERT_EQ(placed.at(con.get()).size(), 2u);
    double left = cells.x;
    double right = cells.x + cells.width;
    for (const auto& label : placed.at(con.get())) {
        left = std::min(left, label.box.x);
        right = std::max(right, label.box.x + label.box.width);
    }
    EXPECT_GT(right - left, cells.width);
    EXPECT_GE(ec->get_image_width(), right - left);
    EXPECT_NE(svg.find(role), std::string::npos);
}
