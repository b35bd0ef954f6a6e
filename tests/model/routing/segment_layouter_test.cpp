#include "model/routing/segment_layouter.hpp"

#include <algorithm>
#include <cmath>
#include <memory>
#include <random>
#include <vector>

#include <gtest/gtest.h>

#include "model/connector_element.hpp"
#include "model/connector_fixtures.hpp"
#include "model/element_context.hpp"
#include "model/grid.hpp"
#include "model/routing/related_segments.hpp"
#include "model/routing/segment.hpp"

using namespace Model;
using LxTest::BoxElement;
using LxTest::make_route;

namespace {

using SegPtr = std::shared_ptr<Segment>;

SegPtr free_seg(CellPos start, CellPos end) {
    return std::make_shared<Segment>(start, end);
}

class SegmentLayouterTest : public ::testing::Test {
  protected:
    SegPtr add(SegPtr seg) {
        layouter.add(seg);
        return seg;
    }
    std::shared_ptr<AbstractConnectorElement> connect(const char* type,
                                                      std::initializer_list<CellPos> cells,
                                                      std::shared_ptr<Element> start_elem = nullptr,
                                                      std::shared_ptr<Element> end_elem = nullptr) {
        auto con = new_connector_element(type, ctx);
        con->start_elem = std::move(start_elem);
        con->end_elem = std::move(end_elem);
        con->update_route(make_route(cells));
        for (const auto& s : con->get_segments()) {
            layouter.add(s);
        }
        return con;
    }
    std::shared_ptr<BoxElement> box(double x, double y, double w, double h) {
        return std::make_shared<BoxElement>(ctx, Rectangle(x, y, w, h));
    }

    std::shared_ptr<ElementContext> ctx = ElementContext::create();
    std::shared_ptr<Grid> grid = std::make_shared<Grid>();
    SegmentLayouter layouter{grid};
};

TEST_F(SegmentLayouterTest, OneFreeSegmentSitsInTheMiddleAtRest) {
    grid->get(CellDir::H).set_size(2, 100);
    auto seg = add(free_seg({2, 1}, {2, 3}));
    auto group = layouter.new_related_segments(*seg);
    group->link();
    group->ready_to_sim();
    EXPECT_DOUBLE_EQ(seg->get_pos(), 50);
    EXPECT_DOUBLE_EQ(seg->get_energy(), 0);
    group->sim();
    EXPECT_EQ(group->get_last_sim_iterations(), 1);
    EXPECT_DOUBLE_EQ(seg->get_pos(), 50);
    // Both points follow the position across the column.
    EXPECT_DOUBLE_EQ(seg->start_point.x, 50);
    EXPECT_DOUBLE_EQ(seg->end_point.x, 50);
}

TEST_F(SegmentLayouterTest, TwoOverlappingFreeSegmentsSplitTheColumn) {
    grid->get(CellDir::H).set_size(2, 90);
    auto a = add(free_seg({2, 1}, {2, 4}));
    auto b = add(free_seg({2, 2}, {2, 5}));
    EXPECT_FALSE(a->is_laid_out);
    // The walls live as long as the group, so look at energies while it does.
    auto group = layouter.new_related_segments(*a);
    group->layout();
    EXPECT_EQ(group->get_last_sim_iterations(), 1);
    EXPECT_DOUBLE_EQ(a->get_pos(), 30);
    EXPECT_DOUBLE_EQ(b->get_pos(), 60);
    EXPECT_NEAR(a->get_energy(), 0, 1e-9);
    EXPECT_NEAR(b->get_energy(), 0, 1e-9);
    EXPECT_TRUE(a->is_laid_out && b->is_laid_out);
}

TEST_F(SegmentLayouterTest, SegmentsLeavingOneClassShareItsWidth) {
    // A class 80 wide in a 100-wide column; three connectors leave its
    // bottom and end in empty cells further down.
    grid->get(CellDir::H).set_size(2, 100);
    auto klass = box(10, 5, 80, 30);
    auto c3 = connect("association", {{2, 1}, {2, 2}, {2, 3}}, klass);
    auto c5 = connect("association", {{2, 1}, {2, 5}}, klass);
    auto c4 = connect("association", {{2, 1}, {2, 4}}, klass);
    Segment& s3 = *c3->get_segments()[0];
    Segment& s4 = *c4->get_segments()[0];
    Segment& s5 = *c5->get_segments()[0];

    auto group = layouter.new_related_segments(s3);
    ASSERT_EQ(group->get_segments().size(), 3u);
    EXPECT_EQ(group->get_e1(), klass);
    EXPECT_EQ(group->get_e1_count(), 3);
    EXPECT_EQ(group->get_e2(), nullptr);
    EXPECT_DOUBLE_EQ(group->get_e1_len(), 20);

    group->layout();
    // Spread over the box, not the column: 20, 40, 60 from its left edge.
    // The longest comes first.
    EXPECT_DOUBLE_EQ(group->get_width(), 80);
    EXPECT_DOUBLE_EQ(group->get_offset(), 10);
    EXPECT_NEAR(s5.get_pos(), 30, 1e-3);
    EXPECT_NEAR(s4.get_pos(), 50, 1e-3);
    EXPECT_NEAR(s3.get_pos(), 70, 1e-3);
    // Springs of length 20 to each other and to the box's edges.
    ASSERT_EQ(s5.get_left_springs().size(), 1u);
    EXPECT_DOUBLE_EQ(s5.get_left_springs()[0]->get_length(), 20);
    EXPECT_DOUBLE_EQ(s5.get_left_springs()[0]->get_left_term_pos(), 10);
    ASSERT_EQ(s5.get_right_springs().size(), 1u);
    EXPECT_DOUBLE_EQ(s5.get_right_springs()[0]->get_length(), 20);
    ASSERT_EQ(s3.get_right_springs().size(), 1u);
    EXPECT_DOUBLE_EQ(s3.get_right_springs()[0]->get_right_term_pos(), 90);
    EXPECT_EQ(group->get_linked_min_side_size_elem(), klass);

    // Each starts on the bottom edge of the class; the loose ends sit in the
    // middle of their cells along the column.
    for (Segment* s : {&s3, &s4, &s5}) {
        EXPECT_DOUBLE_EQ(s->start_point.y, 35);
        EXPECT_DOUBLE_EQ(s->end_point.y, 10);
    }
}

TEST_F(SegmentLayouterTest, SegmentsApartInOneColumnAreSeparateGroups) {
    grid->get(CellDir::H).set_size(2, 60);
    auto upper = add(free_seg({2, 1}, {2, 2}));
    auto lower = add(free_seg({2, 5}, {2, 6}));
    auto other_col = add(free_seg({3, 1}, {3, 6}));
    auto across = add(free_seg({0, 2}, {4, 2}));
    EXPECT_EQ(layouter.new_related_segments(*upper)->get_segments().size(), 1u);
    EXPECT_EQ(layouter.new_related_segments(*lower)->get_segments().size(), 1u);

    // A third one bridging both pulls them into one group.
    auto bridge = add(free_seg({2, 2}, {2, 5}));
    auto group = layouter.new_related_segments(*upper);
    EXPECT_EQ(group->get_segments().size(), 3u);
    layouter.remove(bridge);

    layouter.layout_not_laid_out_segs();
    EXPECT_DOUBLE_EQ(upper->get_pos(), 30);
    EXPECT_DOUBLE_EQ(lower->get_pos(), 30);
    EXPECT_DOUBLE_EQ(other_col->get_pos(), 10);  // default 20-wide column
    EXPECT_DOUBLE_EQ(across->get_pos(), 10);     // default 20-high row
    EXPECT_FALSE(bridge->is_laid_out);
}

TEST_F(SegmentLayouterTest, ConnectorsMeetingAtOneClassAreNotNeighbours) {
    // Two connectors leave the same class up and down: their ranges without
    // the class cell do not overlap.
    auto klass = box(0, 0, 20, 20);
    auto up = connect("association", {{1, 3}, {1, 1}}, klass);
    auto down = connect("association", {{1, 3}, {1, 5}}, klass);
    EXPECT_EQ(layouter.new_related_segments(*up->get_segments()[0])->get_segments().size(), 1u);
    EXPECT_EQ(layouter.new_related_segments(*down->get_segments()[0])->get_segments().size(), 1u);
}

TEST_F(SegmentLayouterTest, EndsLandOnTheClassEdgesPulledBackByTheDecorations) {
    // Composition from a class at (2, 1) down to a class at (2, 4): a black
    // diamond at the start (setback 16) and an open arrow at the end (0).
    grid->get(CellDir::H).set_size(2, 100);
    grid->get(CellDir::V).set_size(1, 60);
    grid->get(CellDir::V).set_size(4, 50);
    auto top = box(20, 10, 60, 40);
    auto bottom = box(25, 5, 50, 40);
    auto con = connect("composition", {{2, 1}, {2, 2}, {2, 3}, {2, 4}}, top, bottom);
    layouter.layout_not_laid_out_segs();
    const Segment& s = *con->get_segments()[0];
    EXPECT_TRUE(con->get_is_laid_out());
    EXPECT_DOUBLE_EQ(s.start_point.y, 50 + 16);
    EXPECT_DOUBLE_EQ(s.end_point.y, 5);

    // The diamond sits between the class edge and the line's new start.
    const auto& diamond = con->start_term;
    EXPECT_EQ(diamond->get_udlr(), MovingDir::UP);
    EXPECT_EQ(diamond->get_term_point(), Point(s.get_pos(), 50));
    EXPECT_EQ(diamond->get_rect(), Rectangle(s.get_pos() - 4, 50, 8, 16));
    const auto& arrow = con->end_term;
    EXPECT_EQ(arrow->get_udlr(), MovingDir::DOWN);
    EXPECT_EQ(arrow->get_rect(), Rectangle(s.get_pos() - 4, 5 - 16, 8, 16));
}

TEST_F(SegmentLayouterTest, BentRouteStaysJoinedAndFindsItsEnds) {
    // A generalization from (1, 1) right to (4, 1), down to (4, 3): the loose
    // end of a connector being drawn (no end class) sits mid-cell.
    grid->get(CellDir::H).set_size(4, 80);
    grid->get(CellDir::V).set_size(1, 40);
    grid->get(CellDir::V).set_size(3, 70);
    auto klass = box(2, 4, 16, 30);
    auto con = connect("generalization", {{1, 1}, {2, 1}, {3, 1}, {4, 1}, {4, 2}, {4, 3}}, klass);
    layouter.layout_not_laid_out_segs();
    const auto& segs = con->get_segments();
    ASSERT_EQ(segs.size(), 2u);
    const Segment& h = *segs[0];
    const Segment& v = *segs[1];
    // Across the row the only box is the class, 4 to 34 high in its cell.
    EXPECT_DOUBLE_EQ(h.get_pos(), 19);
    EXPECT_DOUBLE_EQ(v.get_pos(), 40);      // column 4 is 80 wide
    EXPECT_DOUBLE_EQ(h.start_point.x, 18);  // right edge of the class
    EXPECT_DOUBLE_EQ(h.end_point.x, v.get_pos());
    EXPECT_DOUBLE_EQ(v.start_point.y, h.get_pos());
    // The white arrow at the loose end points down, the line stops 16 short.
    EXPECT_DOUBLE_EQ(v.end_point.y, 35 - 16);  // row 3 is 70 high
    EXPECT_EQ(con->end_term->get_term_point(), Point(40, 35));
}

TEST_F(SegmentLayouterTest, ClearingACrossLineQueuesExactlyItsGroups) {
    auto v_in_col = add(free_seg({2, 0}, {2, 2}));
    auto v_ends_in_row = add(free_seg({5, 1}, {5, 4}));
    auto v_elsewhere = add(free_seg({6, 5}, {6, 8}));
    auto h_in_row = add(free_seg({0, 4}, {1, 4}));
    auto h_starts_in_col = add(free_seg({2, 7}, {4, 7}));
    auto h_elsewhere = add(free_seg({3, 9}, {5, 9}));
    layouter.layout_not_laid_out_segs();
    for (auto* s :
         {&v_in_col, &v_ends_in_row, &v_elsewhere, &h_in_row, &h_starts_in_col, &h_elsewhere}) {
        EXPECT_TRUE((*s)->is_laid_out);
        (*s)->set_pos(1);  // disturb, to see which ones get laid out again
    }

    layouter.set_seg_laid_out_on_cross_line(CellPos(2, 4), false);
    EXPECT_FALSE(v_in_col->is_laid_out);
    EXPECT_FALSE(v_ends_in_row->is_laid_out);
    EXPECT_TRUE(v_elsewhere->is_laid_out);
    EXPECT_FALSE(h_in_row->is_laid_out);
    EXPECT_FALSE(h_starts_in_col->is_laid_out);
    EXPECT_TRUE(h_elsewhere->is_laid_out);

    layouter.layout_not_laid_out_segs();
    EXPECT_DOUBLE_EQ(v_in_col->get_pos(), 10);
    EXPECT_DOUBLE_EQ(h_starts_in_col->get_pos(), 10);
    EXPECT_DOUBLE_EQ(v_elsewhere->get_pos(), 1);
    EXPECT_DOUBLE_EQ(h_elsewhere->get_pos(), 1);

    layouter.set_related_seg_laid_out(*h_elsewhere, false);
    EXPECT_FALSE(h_elsewhere->is_laid_out);
    layouter.layout(*h_elsewhere);
    EXPECT_DOUBLE_EQ(h_elsewhere->get_pos(), 10);
}

TEST_F(SegmentLayouterTest, MembershipByIdentity) {
    auto a = free_seg({1, 1}, {1, 2});
    EXPECT_TRUE(layouter.add(a));
    EXPECT_FALSE(layouter.add(a));
    EXPECT_TRUE(layouter.contains(a));
    EXPECT_EQ(layouter.size(), 1);
    EXPECT_TRUE(layouter.remove(a));
    EXPECT_FALSE(layouter.remove(a));
    EXPECT_TRUE(layouter.get_segments_on_line(*a).empty());
}

// ---- the line index against the plain scan ----------------------------------

// A diagram of classes at random cells joined by connectors with random
// orthogonal routes, built the same way for the same seed.
struct Diagram {
    std::shared_ptr<ElementContext> ctx = ElementContext::create();
    std::shared_ptr<Grid> grid = std::make_shared<Grid>();
    std::vector<std::shared_ptr<AbstractConnectorElement>> connectors;
    std::vector<std::shared_ptr<Element>> classes;
    std::unique_ptr<SegmentLayouter> layouter;

    Diagram(unsigned seed, int n_classes, int n_connectors, int extent) {
        std::mt19937 rng(seed);
        auto pick = [&](int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng); };
        for (int i = 0; i < extent; i++) {
            grid->get(CellDir::H).set_size(i, 40 + pick(80));
            grid->get(CellDir::V).set_size(i, 30 + pick(60));
        }
        std::vector<CellPos> cells;
        for (int i = 0; i < n_classes; i++) {
            cells.emplace_back(pick(extent), pick(extent));
            classes.push_back(
                std::make_shared<BoxElement>(ctx, Rectangle(5, 5, 20 + pick(15), 20 + pick(10))));
        }
        const char* kinds[] = {"association", "dependency", "aggregation", "composition",
                               "generalization"};
        layouter = std::make_unique<SegmentLayouter>(grid);
        for (int i = 0; i < n_connectors; i++) {
            const int a = pick(n_classes);
            const int b = pick(n_classes);
            auto con = new_connector_element(kinds[pick(5)], ctx);
            con->start_elem = classes[a];
            // Some connectors are still being drawn: no class at the end.
            con->end_elem = pick(5) == 0 ? nullptr : classes[b];
            con->update_route(random_route(cells[a], cells[b], extent, pick));
            for (const auto& s : con->get_segments()) {
                layouter->add(s);
            }
            connectors.push_back(con);
        }
    }

    template <typename Pick>
    static Route random_route(CellPos from, CellPos to, int extent, Pick& pick) {
        Route route;
        route.start = from;
        route.goal = to;
        // Up to two bends through a random detour column or row.
        std::vector<CellPos> corners{from};
        if (pick(2) == 0) {
            const int h = pick(extent);
            corners.emplace_back(h, from.v);
            corners.emplace_back(h, to.v);
        } else {
            const int v = pick(extent);
            corners.emplace_back(from.h, v);
            corners.emplace_back(to.h, v);
        }
        corners.push_back(to);
        CellPos at = from;
        route.cells.push_back(at);
        for (const CellPos& c : corners) {
            while (at != c) {
                if (at.h != c.h) {
                    at.h += at.h < c.h ? 1 : -1;
                } else {
                    at.v += at.v < c.v ? 1 : -1;
                }
                route.cells.push_back(at);
            }
        }
        return route;
    }

    // Everything the layout decides, in a fixed order.
    std::vector<double> snapshot() const {
        std::vector<double> out;
        for (const auto& con : connectors) {
            for (const auto& s : con->get_segments()) {
                out.insert(out.end(), {s->get_pos(), s->start_point.x, s->start_point.y,
                                       s->end_point.x, s->end_point.y});
            }
        }
        return out;
    }
};

TEST(SegmentLayouterIndexTest, LineIndexBuildsTheGroupsOfThePlainScan) {
    for (unsigned seed = 1; seed <= 12; seed++) {
        SCOPED_TRACE(seed);
        Diagram d(seed, 12 + seed, 20 + 4 * seed, 14);
        const std::vector<Segment*> all = d.layouter->get_segments();
        ASSERT_GT(all.size(), 40u);
        size_t multi = 0;
        for (Segment* s : all) {
            d.layouter->set_use_line_index(false);
            const std::vector<Segment*> scanned =
                d.layouter->new_related_segments(*s)->get_segments();
            d.layouter->set_use_line_index(true);
            const std::vector<Segment*> indexed =
                d.layouter->new_related_segments(*s)->get_segments();
            ASSERT_EQ(indexed, scanned);
            multi += scanned.size() > 1;
        }
        // The diagrams are dense enough for real groups.
        EXPECT_GT(multi, all.size() / 4);
    }
}

TEST(SegmentLayouterIndexTest, ClearingACrossLineByIndexMarksWhatThePlainScanMarks) {
    for (unsigned seed = 31; seed <= 38; seed++) {
        SCOPED_TRACE(seed);
        Diagram d(seed, 14, 36, 12);
        // Members leave too, so the indexes must forget them.
        std::mt19937 rng(seed);
        for (int i = 0; i < 6; i++) {
            const auto& con = d.connectors[rng() % d.connectors.size()];
            for (const auto& s : con->get_segments()) {
                d.layouter->remove(s);
            }
        }
        const std::vector<Segment*> all = d.layouter->get_segments();
        for (int32_t h = -1; h <= 12; h++) {
            for (int32_t v = -1; v <= 12; v += 3) {
                auto marked = [&](bool use_index) {
                    for (Segment* s : all) {
                        s->is_laid_out = true;
                    }
                    d.layouter->set_use_line_index(use_index);
                    d.layouter->set_seg_laid_out_on_cross_line(CellPos(h, v), false);
                    std::vector<Segment*> out;
                    for (Segment* s : all) {
                        if (!s->is_laid_out) {
                            out.push_back(s);
                        }
                    }
                    return out;
                };
                const std::vector<Segment*> scanned = marked(false);
                ASSERT_EQ(marked(true), scanned) << h << "," << v;
            }
        }
    }
}

TEST(SegmentLayouterIndexTest, ManyRemovalsKeepTheRestInInsertionOrder) {
    Diagram d(41, 20, 120, 14);
    std::vector<Segment*> expected = d.layouter->get_segments();
    ASSERT_GT(expected.size(), 200u);
    std::mt19937 rng(41);
    std::vector<std::shared_ptr<Segment>> owned;
    for (const auto& con : d.connectors) {
        for (const auto& s : con->get_segments()) {
            owned.push_back(s);
        }
    }
    std::shuffle(owned.begin(), owned.end(), rng);
    // Far more than half go, in random order, and some come back.
    for (size_t i = 0; i < owned.size() * 3 / 4; i++) {
        ASSERT_TRUE(d.layouter->remove(owned[i]));
        EXPECT_FALSE(d.layouter->remove(owned[i]));
        std::erase(expected, owned[i].get());
    }
    for (size_t i = 0; i < 10; i++) {
        ASSERT_TRUE(d.layouter->add(owned[i]));
        expected.push_back(owned[i].get());
    }
    EXPECT_EQ(d.layouter->get_segments(), expected);
    EXPECT_EQ(d.layouter->size(), static_cast<int>(expected.size()));
    for (Segment* s : expected) {
        const auto on_line = d.layouter->get_segments_on_line(*s);
        std::vector<Segment*> want;
        for (Segment* o : expected) {
            if (o->is_seg_collinear(*s)) {
                want.push_back(o);
            }
        }
        ASSERT_EQ(on_line, want);
    }
}

TEST(SegmentLayouterIndexTest, LineIndexLaysOutExactlyLikeThePlainScan) {
    for (unsigned seed = 21; seed <= 28; seed++) {
        SCOPED_TRACE(seed);
        Diagram indexed(seed, 15, 40, 12);
        Diagram scanned(seed, 15, 40, 12);
        // Groups order their members by connector uid, which each context
        // draws at random.
        for (size_t i = 0; i < indexed.connectors.size(); i++) {
            scanned.connectors[i]->set_uid(indexed.connectors[i]->get_uid());
        }
        scanned.layouter->set_use_line_index(false);
        indexed.layouter->layout_not_laid_out_segs();
        scanned.layouter->layout_not_laid_out_segs();
        const auto a = indexed.snapshot();
        const auto b = scanned.snapshot();
        ASSERT_EQ(a.size(), b.size());
        for (size_t i = 0; i < a.size(); i++) {
            ASSERT_EQ(a[i], b[i]) << "value " << i;
            ASSERT_TRUE(std::isfinite(a[i]));
        }
        for (Segment* s : indexed.layouter->get_segments()) {
            EXPECT_TRUE(s->is_laid_out);
        }
    }
}

}  // namespace
