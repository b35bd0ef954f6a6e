#include "model/connector_element.hpp"

#include <memory>
#include <string>
#include <typeinfo>

#include <gtest/gtest.h>

#include "model/connector_fixtures.hpp"
#include "model/connector_terms.hpp"
#include "model/element_context.hpp"
#include "model/routing/segment.hpp"

using namespace Model;
using LxTest::BoxElement;
using LxTest::make_route;

namespace {

struct KindCase {
    const char* type;
    const std::type_info* start_term;  // null: no decoration
    const std::type_info* end_term;
};

const std::type_info* type_of(const std::shared_ptr<IConnectorTerm>& term) {
    return term ? &typeid(*term) : nullptr;
}

class ConnectorElementTest : public ::testing::Test {
  protected:
    std::shared_ptr<ElementContext> ctx = ElementContext::create();
};

TEST_F(ConnectorElementTest, KindsCarryTheirNameAndDecorations) {
    const KindCase cases[] = {
        {"association", nullptr, nullptr},
        {"dependency", nullptr, &typeid(OpenArrowConnectorTerm)},
        {"aggregation", &typeid(WhiteDiamondConnectorTerm), &typeid(OpenArrowConnectorTerm)},
        {"composition", &typeid(BlackDiamondConnectorTerm), &typeid(OpenArrowConnectorTerm)},
        {"generalization", nullptr, &typeid(WhiteArrowConnectorTerm)},
        {"realization", nullptr, &typeid(WhiteArrowConnectorTerm)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.type);
        auto con = new_connector_element(c.type, ctx);
        ASSERT_NE(con, nullptr);
        EXPECT_EQ(con->get_serializing_type_name(), c.type);
        EXPECT_EQ(type_of(con->start_term), c.start_term);
        EXPECT_EQ(type_of(con->end_term), c.end_term);
        // A new connector: no route, no ends, nothing to lay out.
        EXPECT_TRUE(con->get_segments().empty());
        EXPECT_EQ(con->start_pos, CellPos(-1, -1));
        EXPECT_EQ(con->end_pos, CellPos(-1, -1));
        EXPECT_TRUE(con->get_is_laid_out());
        EXPECT_EQ(con->get_rect(), Rectangle());
    }
    EXPECT_EQ(new_connector_element("Association", ctx), nullptr);
    EXPECT_EQ(new_connector_element("", ctx), nullptr);
}

TEST_F(ConnectorElementTest, DecorationSizesAndSetbacks) {
    // Only the open arrow lets the line run on to the class edge.
    WhiteArrowConnectorTerm white_arrow;
    OpenArrowConnectorTerm open_arrow;
    WhiteDiamondConnectorTerm white_diamond;
    BlackDiamondConnectorTerm black_diamond;
    const IConnectorTerm* terms[] = {&white_arrow, &open_arrow, &white_diamond, &black_diamond};
    const int setbacks[] = {16, 0, 16, 16};
    for (int i = 0; i < 4; i++) {
        EXPECT_EQ(terms[i]->get_width_at_upper(), 8);
        EXPECT_EQ(terms[i]->get_height_at_upper(), 16);
        EXPECT_EQ(terms[i]->get_seg_term_setback(), setbacks[i]);
    }
}

TEST_F(ConnectorElementTest, CalcRectInEveryDirection) {
    WhiteArrowConnectorTerm term;
    const Point p(50, 30);
    EXPECT_EQ(term.calc_rect(p, MovingDir::UP), Rectangle(46, 14, 8, 16));
    EXPECT_EQ(term.calc_rect(p, MovingDir::DOWN), Rectangle(46, 30, 8, 16));
    EXPECT_EQ(term.calc_rect(p, MovingDir::LEFT), Rectangle(34, 26, 16, 8));
    EXPECT_EQ(term.calc_rect(p, MovingDir::RIGHT), Rectangle(50, 26, 16, 8));
    EXPECT_EQ(term.calc_rect(p, static_cast<MovingDir>(7)), Rectangle());
}

TEST_F(ConnectorElementTest, LayoutBySegmentPointsTowardTheClass) {
    // End of a segment running down: the decoration points down onto the
    // class below and lies above the point.
    Segment down(CellPos(1, 1), CellPos(1, 4));
    down.end_point = Point(40, 3);
    WhiteArrowConnectorTerm end_term;
    end_term.layout_by_segment(down, true);
    EXPECT_EQ(end_term.get_udlr(), MovingDir::DOWN);
    EXPECT_EQ(end_term.get_rect(), Rectangle(36, -13, 8, 16));
    EXPECT_EQ(end_term.get_term_point(), Point(40, 3));

    // Start of a segment running right from its class: points left, lies
    // right of the point.
    Segment right(CellPos(1, 1), CellPos(5, 1));
    right.start_point = Point(70, 25);
    WhiteDiamondConnectorTerm start_term;
    start_term.layout_by_segment(right, false);
    EXPECT_EQ(start_term.get_udlr(), MovingDir::LEFT);
    EXPECT_EQ(start_term.get_rect(), Rectangle(70, 21, 16, 8));
    // The term point is a copy: moving the segment later does not move it.
    right.start_point.x = 90;
    EXPECT_EQ(start_term.get_term_point(), Point(70, 25));
}

TEST_F(ConnectorElementTest, UpdateRouteHandsEndsToFirstAndLastSegment) {
    auto a = std::make_shared<BoxElement>(ctx, Rectangle(10, 10, 40, 20));
    auto b = std::make_shared<BoxElement>(ctx, Rectangle(10, 10, 40, 20));
    auto con = new_connector_element("aggregation", ctx);
    con->start_elem = a;
    con->end_elem = b;

    con->update_route(make_route({{2, 2}, {2, 3}, {2, 4}, {3, 4}, {4, 4}, {4, 5}}));
    EXPECT_EQ(con->start_pos, CellPos(2, 2));
    EXPECT_EQ(con->end_pos, CellPos(4, 5));
    const auto& segs = con->get_segments();
    ASSERT_EQ(segs.size(), 3u);
    EXPECT_EQ(segs[0]->start_elem, a);
    EXPECT_EQ(segs[0]->start_term, con->start_term);
    EXPECT_EQ(segs[0]->end_elem, nullptr);
    EXPECT_EQ(segs[0]->end_term, nullptr);
    EXPECT_EQ(segs[1]->start_elem, nullptr);
    EXPECT_EQ(segs[1]->end_elem, nullptr);
    EXPECT_EQ(segs[2]->end_elem, b);
    EXPECT_EQ(segs[2]->end_term, con->end_term);
    EXPECT_EQ(segs[2]->start_term, nullptr);
    for (const auto& s : segs) {
        EXPECT_EQ(s->connector, con.get());
        EXPECT_FALSE(s->is_laid_out);
    }
    EXPECT_FALSE(con->get_is_laid_out());

    // A one-segment route carries everything on its only segment.
    con->update_route(make_route({{2, 2}, {2, 3}, {2, 4}}));
    ASSERT_EQ(con->get_segments().size(), 1u);
    const auto& only = con->get_segments()[0];
    EXPECT_EQ(only->start_elem, a);
    EXPECT_EQ(only->end_elem, b);
    EXPECT_EQ(only->start_term, con->start_term);
    EXPECT_EQ(only->end_term, con->end_term);

    // An unreachable goal: the ends are taken, the route has no segments.
    Route lonely(CellPos(2, 2), CellPos(7, 7));
    lonely.cells = {CellPos(7, 7)};
    con->update_route(lonely);
    EXPECT_EQ(con->end_pos, CellPos(7, 7));
    EXPECT_TRUE(con->get_segments().empty());
}

TEST_F(ConnectorElementTest, DroppedSegmentsForgetTheirConnectorAndNeighbours) {
    auto con = new_connector_element("association", ctx);
    con->update_route(make_route({{1, 1}, {1, 3}, {3, 3}}));
    std::shared_ptr<Segment> kept = con->get_segments()[0];
    con->update_route(make_route({{1, 1}, {1, 2}}));
    // Someone still holding an old segment must not reach freed memory.
    EXPECT_EQ(kept->connector, nullptr);
    EXPECT_EQ(kept->next, nullptr);

    std::shared_ptr<Segment> current = con->get_segments()[0];
    con.reset();
    EXPECT_EQ(current->connector, nullptr);
}

TEST_F(ConnectorElementTest, IsLaidOutFollowsTheSegments) {
    auto con = new_connector_element("dependency", ctx);
    con->update_route(make_route({{1, 1}, {1, 3}, {3, 3}}));
    int notified = 0;
    con->signal_is_laid_out_changed().connect([&] { notified++; });
    con->set_is_laid_out(true);
    EXPECT_TRUE(con->get_is_laid_out());
    con->set_is_laid_out(false);
    for (const auto& s : con->get_segments()) {
        EXPECT_FALSE(s->is_laid_out);
    }
    EXPECT_FALSE(con->get_is_laid_out());
    EXPECT_EQ(notified, 2);
    // Any position change marks a segment laid out again.
    con->get_segments()[0]->set_pos(5);
    con->get_segments()[1]->set_pos(5);
    EXPECT_TRUE(con->get_is_laid_out());
}

TEST_F(ConnectorElementTest, EndsAndDirectionsAtTheTerms) {
    auto con = new_connector_element("generalization", ctx);
    con->update_route(make_route({{2, 2}, {2, 4}, {4, 4}}));
    EXPECT_EQ(con->get_start_or_end_at(CellPos(2, 2)), StartOrEnd::START);
    EXPECT_EQ(con->get_start_or_end_at(CellPos(4, 4)), StartOrEnd::END);
    EXPECT_EQ(con->get_start_or_end_at(CellPos(2, 4)), std::nullopt);
    // Leaves its start downward; arrives at its end moving right, so it
    // leaves the end class to the left.
    EXPECT_EQ(con->get_udlr_from_term(StartOrEnd::START), MovingDir::DOWN);
    EXPECT_EQ(con->get_udlr_from_term(StartOrEnd::END), MovingDir::LEFT);
    con->get_segments()[0]->set_pos(12.5);
    con->get_segments()[1]->set_pos(7.0);
    EXPECT_DOUBLE_EQ(con->get_pos_at_term(StartOrEnd::START), 12.5);
    EXPECT_DOUBLE_EQ(con->get_pos_at_term(StartOrEnd::END), 7.0);

    // A connector from a cell back to the same cell: the start wins.
    auto loop = new_connector_element("association", ctx);
    loop->start_pos = CellPos(3, 3);
    loop->end_pos = CellPos(3, 3);
    EXPECT_EQ(loop->get_start_or_end_at(CellPos(3, 3)), StartOrEnd::START);
    // Without segments there is no direction or position to give.
    EXPECT_EQ(loop->get_udlr_from_term(StartOrEnd::END), MovingDir::UP);
    EXPECT_DOUBLE_EQ(loop->get_pos_at_term(StartOrEnd::START), 0.0);
}

}  // namespace
