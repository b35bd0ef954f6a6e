// Busy diagrams: lines that make room for what runs through them, groups
// that come to rest, bundles that keep their order, short routes with few
// bends and end decorations that stay clear of each other.
#include <algorithm>
#include <cmath>
#include <map>
#include <memory>
#include <random>
#include <vector>

#include <gtest/gtest.h>

#include "model/connector_element.hpp"
#include "model/connector_terms.hpp"
#include "model/element_cells.hpp"
#include "model/connector_fixtures.hpp"
#include "model/connectors.hpp"
#include "model/element_context.hpp"
#include "model/grid.hpp"
#include "model/routing/related_segments.hpp"
#include "model/routing/segment.hpp"
#include "model/routing/segment_layouter.hpp"
#include "model/workspace.hpp"
#include "model/workspace_test_util.hpp"
#include "render/connector_labels.hpp"

using namespace Model;
using LxTest::BoxElement;
using LxTest::make_route;

namespace {

constexpr double SPACING = RelatedSegments::LINE_SPACING;

// Random classes on every other line of a small lattice, each joined to a
// few others nearby; two hubs get many more.
void build_busy_diagram(Workspace& ws, uint32_t seed) {
    std::mt19937 rng(seed);
    std::vector<CellPos> classes;
    for (int32_t v = 0; v <= 12; v += 2) {
        for (int32_t h = 0; h <= 12; h += 2) {
            if (rng() % 4 != 0) {
                ASSERT_TRUE(ws.add_class({h, v}));
                classes.emplace_back(h, v);
            }
        }
    }
    const char* kinds[] = {"association", "generalization", "aggregation", "composition",
                           "dependency"};
    for (size_t i = 0; i < classes.size() * 2; ++i) {
        const CellPos a = i % 3 == 0 ? classes[i % 2] : classes[rng() % classes.size()];
        const CellPos b = classes[rng() % classes.size()];
        if (a != b && !lattrix_test::has_connector(ws, a, b) &&
            !lattrix_test::has_connector(ws, b, a)) {
            lattrix_test::connect(ws, a, b, kinds[rng() % 5]);
        }
    }
}

}  // namespace

// Every line is at least (k + 1) spacings wide for the k segments that run
// side by side in one of its cells, after an edit as in a fresh load of the
// document.
TEST(DenseLayoutTest, BusyLinesMakeRoomForTheirSegments) {
    for (uint32_t seed : {5u, 17u}) {
        SCOPED_TRACE(seed);
        Workspace ws;
        build_busy_diagram(ws, seed);
        ASSERT_TRUE(ws.rm_class({6, 6}) || ws.rm_class({4, 4}));
        Workspace loaded;
        ASSERT_TRUE(loaded.read(*SerializingReader::from_memory(lattrix_test::to_xml(ws))));
        EXPECT_EQ(lattrix_test::routes_signature(loaded), lattrix_test::routes_signature(ws));

        for (Workspace* w : {&ws, &loaded}) {
            // Segments side by side per cell, counted from the routes.
            std::map<std::pair<bool, int32_t>, std::map<int32_t, int>> per_cell;
            w->get_connector_set()->foreach_ordered([&](const auto& con) {
                for (const auto& seg : con->get_segments()) {
                    const bool v = seg->get_hv() == CellDir::V;
                    const CellRangeIndex r = seg->get_range_without_elem();
                    for (int32_t i = r.start; i <= r.end; ++i) {
                        ++per_cell[{v, seg->get_cell_pos_orth()}][i];
                    }
                }
                return true;
            });
            int widest = 0;
            for (const auto& [line, cells] : per_cell) {
                int k = 0;
                for (const auto& [cell, count] : cells) {
                    k = std::max(k, count);
                }
                widest = std::max(widest, k);
                const GridList& axis = w->get_grid()->get(line.first ? CellDir::H : CellDir::V);
                EXPECT_GE(axis.get_size(line.second), (k + 1) * SPACING - 1e-9)
                    << (line.first ? "column " : "row ") << line.second << " k=" << k;
            }
            EXPECT_GE(widest, 3);
        }
    }
}

namespace {

class CrowdedGroupTest : public ::testing::Test {
  protected:
    std::shared_ptr<AbstractConnectorElement> connect(std::initializer_list<CellPos> cells,
                                                      std::shared_ptr<Element> start_elem,
                                                      std::shared_ptr<Element> end_elem = nullptr) {
        auto con = new_connector_element("aggregation", ctx);
        con->start_elem = std::move(start_elem);
        con->end_elem = std::move(end_elem);
        con->update_route(make_route(cells));
        for (const auto& s : con->get_segments()) {
            layouter.add(s);
        }
        cons.push_back(con);
        return con;
    }

    std::shared_ptr<ElementContext> ctx = ElementContext::create();
    std::shared_ptr<Grid> grid = std::make_shared<Grid>();
    SegmentLayouter layouter{grid};
    std::vector<std::shared_ptr<AbstractConnectorElement>> cons;
};

}  // namespace

// Two boxes face each other across a gap in one column; connectors leave
// both towards the gap and turn there, and free lines pass through it. The
// group comes to rest: no member is left with energy to spend.
TEST_F(CrowdedGroupTest, ConvergesWithEveryMemberAtRest) {
    grid->get(CellDir::H).set_size(2, 120);
    auto upper = std::make_shared<BoxElement>(ctx, Rectangle(20, 5, 80, 40));
    auto lower = std::make_shared<BoxElement>(ctx, Rectangle(10, 5, 100, 40));
    for (int i = 0; i < 4; ++i) {
        connect({{2, 2}, {2, 4}, {3 + i, 4}}, upper);
        connect({{2, 6}, {2, 4}, {1 - i % 2, 4}}, lower);
    }
    for (int i = 0; i < 3; ++i) {
        connect({{1, 3}, {2, 3}, {2, 5}, {3 + i, 5}}, nullptr);
    }
    auto group = layouter.new_related_segments(*cons.front()->get_segments().front());
    ASSERT_EQ(group->get_segments().size(), 11u);
    // The springs' part of the layout: what comes after only moves members
    // the springs left too close.
    group->sort();
    group->assign_tracks();
    group->link();
    group->ready_to_sim();
    group->sim();
    EXPECT_LT(group->get_last_sim_iterations(), RelatedSegments::SIM_MAX_ITERATIONS);
    const auto& members = group->get_segments();
    for (const Segment* s : members) {
        EXPECT_LT(std::fabs(s->get_energy()), 0.5)
            << s->start.to_string() << "-" << s->end.to_string();
    }
}

// Diagonal neighbours meet with an L when its corner is free, and with as
// few bends as the classes in the way allow; two classes on one free line
// are joined straight.
TEST(DenseLayoutTest, RoutesTakeTheFewestBendsTheFreeCellsAllow) {
    Workspace ws;
    for (CellPos p : {CellPos(2, 2), CellPos(4, 4), CellPos(2, 8), CellPos(8, 2), CellPos(8, 8),
                      CellPos(6, 6)}) {
        ASSERT_TRUE(ws.add_class(p));
    }
    auto bends = [&](CellPos a, CellPos b) {
        auto con = lattrix_test::connect(ws, a, b);
        return con ? static_cast<int>(con->get_segments().size()) - 1 : -1;
    };
    EXPECT_EQ(bends({2, 2}, {4, 4}), 1);
    EXPECT_EQ(bends({2, 2}, {2, 8}), 0);
    EXPECT_EQ(bends({8, 2}, {8, 8}), 0);
    // (6, 8) and (8, 6) are free: still one bend round the class at (6, 6).
    EXPECT_EQ(bends({6, 6}, {8, 8}), 1);
    // Both corners of (4, 4)-(6, 6) are taken once classes stand there.
    ASSERT_TRUE(ws.add_class({4, 6}));
    ASSERT_TRUE(ws.add_class({6, 4}));
    EXPECT_EQ(bends({4, 4}, {6, 6}), 2);
}

namespace {

// A drawn piece of a connector, in workspace pixels.
struct Piece {
    const AbstractConnectorElement* con;
    bool vertical;
    double across, lo, hi;
};

std::vector<Piece> pieces_of(Workspace& ws, const AbstractConnectorElement& con) {
    std::vector<Piece> list;
    const Grid& grid = *ws.get_grid();
    for (const auto& seg : con.get_segments()) {
        const Point a0 = grid.get_top_left_point(seg->start);
        const Point b0 = grid.get_top_left_point(seg->end);
        const Point a(a0.x + seg->start_point.x, a0.y + seg->start_point.y);
        const Point b(b0.x + seg->end_point.x, b0.y + seg->end_point.y);
        const bool v = seg->get_hv() == CellDir::V;
        list.push_back(Piece{&con, v, v ? a.x : a.y, v ? std::min(a.y, b.y) : std::min(a.x, b.x),
                             v ? std::max(a.y, b.y) : std::max(a.x, b.x)});
    }
    return list;
}

int crossings(const std::vector<Piece>& a, const std::vector<Piece>& b) {
    int n = 0;
    for (const Piece& p : a) {
        for (const Piece& q : b) {
            if (p.vertical != q.vertical && p.lo < q.across && q.across < p.hi && q.lo < p.across &&
                p.across < q.hi) {
                ++n;
            }
        }
    }
    return n;
}

}  // namespace

// A hub with more connector ends than its short sides hold, bundles of
// connectors between the same two classes, and aggregations to a class in
// the very next cell. No two end decorations overlap, on one class side,
// facing across a gap or facing a neighbour; no segment turns within its
// decoration; no two connectors run closer than 4 px side by side; a bundle
// never crosses itself; and the grown boxes and lines are those a fresh load of the
// document gives.
TEST(DenseLayoutTest, CrowdedSidesAndBundlesStayClear) {
    const char* kinds[] = {"generalization", "aggregation", "composition", "dependency"};
    for (uint32_t seed : {11u, 31u, 41u, 53u}) {
        SCOPED_TRACE(seed);
        std::mt19937 rng(seed);
        Workspace ws;
        std::vector<CellPos> classes;
        for (int32_t v = 0; v <= 10; v += 2) {
            for (int32_t h = 0; h <= 10; h += 2) {
                if (rng() % 5 != 0 || (h == 4 && v == 4)) {
                    ASSERT_TRUE(ws.add_class({h, v}));
                    classes.emplace_back(h, v);
                }
            }
        }
        for (const CellPos& c : classes) {
            if (c != CellPos(4, 4) && rng() % 3 != 0) {
                lattrix_test::connect(ws, c, {4, 4}, kinds[rng() % 4]);
            }
        }
        for (int i = 0; i < 6; ++i) {
            const CellPos a = classes[rng() % classes.size()];
            const CellPos b = classes[rng() % classes.size()];
            if (a == b || a == CellPos(4, 4) || b == CellPos(4, 4)) {
                continue;
            }
            for (int k = 0; k < 3; ++k) {
                // Drawn both ways: a bundle is one whichever end it starts at.
                lattrix_test::connect(ws, k == 1 ? b : a, k == 1 ? a : b, kinds[k]);
            }
        }
        // Between neighbours there are only the two cells' margins, for a
        // diamond and an arrow, or an arrow and the connector's name.
        std::vector<CellPos> neighbours;
        for (const CellPos& c : classes) {
            const CellPos n = rng() % 2 == 0 ? CellPos(c.h + 1, c.v) : CellPos(c.h, c.v + 1);
            if (c != CellPos(4, 4) && rng() % 4 == 0 && ws.add_class(n)) {
                neighbours.push_back(n);
                const bool named = neighbours.size() % 2 == 0;
                auto con = lattrix_test::connect(ws, c, n, named ? "dependency" : "aggregation");
                ASSERT_NE(con, nullptr);
                if (named) {
                    ws.set_connector_label(*con, Model::ConnectorLabel::NAME, "uses");
                }
            }
        }
        ASSERT_GE(neighbours.size(), 2u);
        classes.insert(classes.end(), neighbours.begin(), neighbours.end());
        EXPECT_EQ(View::count_label_overlaps(ws, View::place_connector_labels(ws)), 0);
        Workspace loaded;
        ASSERT_TRUE(loaded.read(*SerializingReader::from_memory(lattrix_test::to_xml(ws))));
        EXPECT_EQ(lattrix_test::routes_signature(loaded), lattrix_test::routes_signature(ws));
        for (const CellPos& c : classes) {
            const Rectangle r = ws.get_element_cells()->get(c.h, c.v)->get_rect();
            const Rectangle l = loaded.get_element_cells()->get(c.h, c.v)->get_rect();
            EXPECT_TRUE(r.x == l.x && r.y == l.y && r.width == l.width && r.height == l.height)
                << c.to_string();
        }

        std::vector<Rectangle> decos;
        // A bundle: connectors that run through the same cells, whichever
        // end they were drawn from.
        std::map<std::vector<CellPos>, std::vector<const AbstractConnectorElement*>>
            bundles_by_cells;
        ws.get_connector_set()->foreach_ordered([&](const auto& con) {
            const auto& segs = con->get_segments();
            EXPECT_FALSE(segs.empty());
            for (const auto& seg : segs) {
                for (const auto& [term, cell] :
                     {std::pair{seg->start_term, seg->start}, std::pair{seg->end_term, seg->end}}) {
                    if (!term || term->get_width_at_upper() == 0) {
                        continue;
                    }
                    const Point at = ws.get_grid()->get_top_left_point(cell);
                    const Rectangle r = term->get_rect();
                    decos.emplace_back(r.x + at.x, r.y + at.y, r.width, r.height);
                    // The segment reaches past its decoration before it turns.
                    const bool at_start = cell == seg->start;
                    const Point far = at_start ? seg->end_point : seg->start_point;
                    const Point far_at =
                        ws.get_grid()->get_top_left_point(at_start ? seg->end : seg->start);
                    const Point tip = term->get_term_point();
                    const double reach = seg->get_hv() == CellDir::V
                                             ? std::fabs(far.y + far_at.y - tip.y - at.y)
                                             : std::fabs(far.x + far_at.x - tip.x - at.x);
                    EXPECT_GE(reach, term->get_height_at_upper() - 0.5)
                        << seg->start.to_string() << "-" << seg->end.to_string();
                }
            }
            std::vector<CellPos> cells;
            for (const auto& seg : segs) {
                cells.push_back(seg->start);
                cells.push_back(seg->end);
            }
            if (con->end_pos < con->start_pos) {
                std::reverse(cells.begin(), cells.end());
            }
            bundles_by_cells[cells].push_back(con.get());
            return true;
        });
        // A decoration reaches its own box and no other.
        for (const Rectangle& d : decos) {
            for (const CellPos& c : classes) {
                const Point at = ws.get_grid()->get_top_left_point(c);
                const Rectangle b = ws.get_element_cells()->get(c.h, c.v)->get_rect();
                EXPECT_FALSE(d.x + 0.5 < b.x + at.x + b.width && b.x + at.x + 0.5 < d.x + d.width &&
                             d.y + 0.5 < b.y + at.y + b.height && b.y + at.y + 0.5 < d.y + d.height)
                    << "decoration at " << d.x << "," << d.y << " in the box of " << c.to_string();
            }
        }
        for (size_t i = 0; i < decos.size(); ++i) {
            for (size_t j = i + 1; j < decos.size(); ++j) {
                const Rectangle& a = decos[i];
                const Rectangle& b = decos[j];
                EXPECT_FALSE(a.x + 0.5 < b.x + b.width && b.x + 0.5 < a.x + a.width &&
                             a.y + 0.5 < b.y + b.height && b.y + 0.5 < a.y + a.height)
                    << "decorations at " << a.x << "," << a.y << " and " << b.x << "," << b.y;
            }
        }
        // Parallel pieces of different connectors stay apart wherever they
        // run side by side.
        std::vector<Piece> all;
        ws.get_connector_set()->foreach_ordered([&](const auto& con) {
            const auto list = pieces_of(ws, *con);
            all.insert(all.end(), list.begin(), list.end());
            return true;
        });
        for (size_t i = 0; i < all.size(); ++i) {
            for (size_t j = i + 1; j < all.size(); ++j) {
                const Piece& a = all[i];
                const Piece& b = all[j];
                if (a.con == b.con || a.vertical != b.vertical ||
                    std::min(a.hi, b.hi) - std::max(a.lo, b.lo) <= 1.0) {
                    continue;
                }
                EXPECT_GE(std::fabs(a.across - b.across), 4.0)
                    << (a.vertical ? "x " : "y ") << a.across << " from " << std::max(a.lo, b.lo)
                    << " to " << std::min(a.hi, b.hi);
            }
        }
        for (const auto& [cells, cons] : bundles_by_cells) {
            for (size_t i = 0; i < cons.size(); ++i) {
                for (size_t j = i + 1; j < cons.size(); ++j) {
                    EXPECT_EQ(crossings(pieces_of(ws, *cons[i]), pieces_of(ws, *cons[j])), 0)
                        << cells.front().to_string() << "-" << cells.back().to_string();
                }
            }
        }
    }
}
