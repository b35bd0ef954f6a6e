#include "model/routing/segment.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cfloat>

#include "model/element.hpp"
#include "model/element_context.hpp"
#include "model/routing/route.hpp"
#include "model/routing/spring_edge.hpp"

using Model::FixedLayoutableNode;
using Model::LinkDir;
using Model::Route;
using Model::Segment;
using Model::SegmentForm;
using Model::SpringEdge;

namespace {

// A class box of a fixed size.
class BoxElement : public Model::Element {
  public:
    BoxElement(const std::shared_ptr<Model::ElementContext>& ctx, double w, double h)
        : Element(ctx), m_rect(0, 0, w, h) {}
    Rectangle get_rect() const override { return m_rect; }
    void layout(const Rectangle&) override {}

  private:
    Rectangle m_rect;
};

std::vector<std::shared_ptr<Segment>> cut(std::vector<CellPos> cells) {
    Route r;
    r.cells = std::move(cells);
    return r.new_segments();
}

class SegmentTest : public ::testing::Test {
  protected:
    std::shared_ptr<Model::Element> box(double w, double h) {
        return std::make_shared<BoxElement>(m_ctx, w, h);
    }
    std::shared_ptr<Model::ElementContext> m_ctx = Model::ElementContext::create();
};

}  // namespace

TEST_F(SegmentTest, DirectionSizeAndRanges) {
    Segment one(CellPos(4, 4), CellPos(4, 4));
    EXPECT_EQ(one.get_hv(), CellDir::V);
    EXPECT_EQ(one.get_udlr(), MovingDir::UP);
    EXPECT_EQ(one.get_size(), 1);

    Segment left(CellPos(7, 3), CellPos(2, 3));
    EXPECT_EQ(left.get_hv(), CellDir::H);
    EXPECT_EQ(left.get_udlr(), MovingDir::LEFT);
    EXPECT_EQ(left.get_size(), 6);
    EXPECT_EQ(left.get_range(), CellRangeIndex(2, 7));
    EXPECT_EQ(left.get_cell_pos_orth(), 3);
    EXPECT_FALSE(left.get_is_start_near_to_org());

    Segment down(CellPos(3, 2), CellPos(3, 6));
    EXPECT_EQ(down.get_range_without_elem(), CellRangeIndex(2, 6));
    down.start_elem = box(10, 10);
    EXPECT_EQ(down.get_range_without_elem(), CellRangeIndex(3, 6));
    down.end_elem = box(10, 10);
    EXPECT_EQ(down.get_range_without_elem(), CellRangeIndex(3, 5));

    // The moved bounds cross and are put back in order.
    Segment short_one(CellPos(3, 2), CellPos(3, 3));
    short_one.start_elem = box(10, 10);
    short_one.end_elem = box(10, 10);
    EXPECT_EQ(short_one.get_range_without_elem(), CellRangeIndex(2, 3));

    // Going left, an element at the end pulls the range's lower bound up.
    left.end_elem = box(10, 10);
    EXPECT_EQ(left.get_range_without_elem(), CellRangeIndex(3, 7));
}

TEST_F(SegmentTest, SetPosKeepsTheRouteJoined) {
    auto segs = cut({CellPos(1, 1), CellPos(3, 1), CellPos(3, 5), CellPos(6, 5)});
    ASSERT_EQ(segs.size(), 3u);
    for (auto& s : segs) {
        s->start_point = Point(1, 2);
        s->end_point = Point(3, 4);
    }
    segs[1]->set_pos(42);
    EXPECT_TRUE(segs[1]->is_laid_out);
    EXPECT_DOUBLE_EQ(segs[1]->get_pos(), 42);
    EXPECT_EQ(segs[1]->start_point, Point(42, 2));
    EXPECT_EQ(segs[1]->end_point, Point(42, 4));
    EXPECT_EQ(segs[0]->start_point, Point(1, 2));
    EXPECT_EQ(segs[0]->end_point, Point(42, 4));
    EXPECT_EQ(segs[2]->start_point, Point(42, 2));
    EXPECT_EQ(segs[2]->end_point, Point(3, 4));
    EXPECT_FALSE(segs[0]->is_laid_out);

    // A horizontal segment moves the y coordinates.
    segs[0]->set_pos(7);
    EXPECT_EQ(segs[0]->start_point, Point(1, 7));
    EXPECT_EQ(segs[1]->start_point, Point(42, 7));
    EXPECT_EQ(segs[1]->end_point, Point(42, 4));
}

TEST_F(SegmentTest, FormsOfRouteShapes) {
    // Right, down, right.
    auto z = cut({CellPos(0, 0), CellPos(2, 0), CellPos(2, 3), CellPos(4, 3)});
    EXPECT_EQ(z[1]->get_form(), SegmentForm::C_DEC_INC);
    EXPECT_EQ(z[0]->get_form(), SegmentForm::L_NONE_INC);
    EXPECT_EQ(z[2]->get_form(), SegmentForm::L_DEC_NONE);
    // Right, down, left.
    auto u = cut({CellPos(0, 0), CellPos(2, 0), CellPos(2, 3), CellPos(0, 3)});
    EXPECT_EQ(u[1]->get_form(), SegmentForm::U_DEC_DEC);
    // The same shape walked the other way round sees the sides swapped.
    auto back = cut({CellPos(4, 3), CellPos(2, 3), CellPos(2, 0), CellPos(0, 0)});
    EXPECT_EQ(back[1]->get_form(), SegmentForm::C_DEC_INC);
    auto straight = cut({CellPos(1, 1), CellPos(1, 6)});
    EXPECT_EQ(straight[0]->get_form(), SegmentForm::B_NONE_NONE);
    EXPECT_EQ(to_nick(SegmentForm::L_DEC_NONE), std::string("l-dec-none"));
    EXPECT_EQ(to_string(SegmentForm::U_INC_INC), "U_INC_INC");

    EXPECT_TRUE(z[1]->is_seg_linkable(*u[1]));
    EXPECT_TRUE(z[1]->is_seg_linkable(*straight[0]));
    EXPECT_FALSE(z[0]->is_seg_linkable(*z[2]));  // L_NONE_INC vs L_DEC_NONE
    EXPECT_FALSE(z[1]->is_seg_linkable(*z[2]));
    EXPECT_TRUE(z[2]->is_seg_linkable(*z[2]));
}

TEST_F(SegmentTest, SpringAndSegmentEnergies) {
    auto wall_l = std::make_shared<FixedLayoutableNode>(20);
    auto wall_r = std::make_shared<FixedLayoutableNode>(60);
    auto at = [](double p) { return std::make_shared<FixedLayoutableNode>(p); };
    EXPECT_DOUBLE_EQ(SpringEdge(at(0), at(12), 0).get_energy(), -12);
    EXPECT_DOUBLE_EQ(SpringEdge(at(5), at(5), 10).get_energy(), 15);

    auto seg = std::make_shared<Segment>(CellPos(2, 1), CellPos(2, 5));
    EXPECT_DOUBLE_EQ(seg->get_energy(), 0);  // no springs
    seg->set_pos(30);
    auto left = std::make_shared<SpringEdge>(wall_l, seg, 0);
    auto right = std::make_shared<SpringEdge>(seg, wall_r, 0);
    seg->link_left_spring(left);
    seg->link_right_spring(right);
    seg->link_right_spring(right);  // kept once
    EXPECT_EQ(seg->get_springs_count(), 2);
    EXPECT_DOUBLE_EQ(seg->get_energy(), 10);  // ((-10) - (-30)) / 2, pushes right

    int seen = 0;
    seg->foreach_spring_edge([&](LinkDir d, const std::shared_ptr<SpringEdge>& s) {
        EXPECT_EQ(s == left, d == LinkDir::LEFT);
        ++seen;
        return false;  // does not stop the walk
    });
    EXPECT_EQ(seen, 2);

    // A wall that is gone no longer pulls.
    wall_r.reset();
    EXPECT_DOUBLE_EQ(right->get_right_term_pos(), 0);
    seg->init_link_spring();
    EXPECT_EQ(seg->get_springs_count(), 0);
}

TEST_F(SegmentTest, ClampPosStaysBetweenNeighboursAndAboveZero) {
    auto seg = std::make_shared<Segment>(CellPos(2, 1), CellPos(2, 5));
    seg->set_pos(12.5);
    seg->clamp_pos();
    EXPECT_DOUBLE_EQ(seg->get_pos(), 12.5);
    seg->set_pos(0);
    seg->clamp_pos();
    EXPECT_EQ(seg->get_pos(), DBL_MIN);
    seg->set_pos(-3);
    seg->clamp_pos();
    EXPECT_EQ(seg->get_pos(), DBL_MIN);

    auto l = std::make_shared<FixedLayoutableNode>(20);
    auto r = std::make_shared<FixedLayoutableNode>(60);
    seg->link_left_spring(std::make_shared<SpringEdge>(l, seg, 5));
    seg->link_right_spring(std::make_shared<SpringEdge>(seg, r, 5));
    seg->set_pos(70);
    seg->clamp_pos();
    EXPECT_DOUBLE_EQ(seg->get_pos(), 60);
    seg->set_pos(10);
    seg->clamp_pos();
    EXPECT_DOUBLE_EQ(seg->get_pos(), 20);
}

TEST_F(SegmentTest, LinkedElementsAndTheirSizes) {
    auto wide = box(80, 30);
    auto narrow = box(40, 50);
    // Going up: the end is the one nearer the origin.
    Segment up(CellPos(2, 6), CellPos(2, 1));
    EXPECT_EQ(up.get_linked_min_side_size_elem(), nullptr);
    EXPECT_DOUBLE_EQ(up.get_min_elem_size(), 0);
    up.start_elem = wide;
    EXPECT_EQ(up.get_linked_elem_far_from_org(), wide);
    EXPECT_EQ(up.get_linked_elem_near_to_org(), nullptr);
    EXPECT_EQ(up.get_linked_min_side_size_elem(), wide);
    up.end_elem = narrow;
    EXPECT_EQ(up.get_linked_elem(), wide);
    EXPECT_TRUE(up.links_the_elem(narrow.get()));
    EXPECT_FALSE(up.links_the_elem(box(1, 1).get()));
    // Across a vertical segment is the width; along it the height.
    EXPECT_EQ(up.get_linked_min_side_size_elem(), narrow);
    EXPECT_DOUBLE_EQ(up.get_min_elem_size(), 30);
    // Equal widths: the near one wins.
    up.start_elem = box(40, 10);
    EXPECT_EQ(up.get_linked_min_side_size_elem(), narrow);

    std::vector<std::shared_ptr<Model::Element>> seen;
    up.foreach_linked_elem([&](const std::shared_ptr<Model::Element>& e) {
        seen.push_back(e);
        return false;
    });
    EXPECT_EQ(seen.size(), 1u);
}

TEST_F(SegmentTest, CmpOrdersSegmentsOfALine) {
    auto a = box(40, 40);
    // Two bare vertical segments in one column: the longer comes first.
    Segment longer(CellPos(2, 1), CellPos(2, 9));
    Segment shorter(CellPos(2, 3), CellPos(2, 5));
    EXPECT_LT(Segment::cmp(longer, shorter), 0);
    EXPECT_GT(Segment::cmp(shorter, longer), 0);
    EXPECT_EQ(Segment::cmp(longer, longer), 0);

    // U shapes opening to the left: the shorter comes first.
    auto u1 = cut({CellPos(0, 1), CellPos(2, 1), CellPos(2, 9), CellPos(0, 9)});
    auto u2 = cut({CellPos(0, 3), CellPos(2, 3), CellPos(2, 5), CellPos(0, 5)});
    EXPECT_LT(Segment::cmp(*u2[1], *u1[1]), 0);

    // Different forms: by form value.
    EXPECT_LT(Segment::cmp(*u1[1], longer), 0);  // U_DEC_DEC before B_NONE_NONE

    // Different near elements: each claims to come first.
    Segment x(CellPos(2, 1), CellPos(2, 4));
    Segment y(CellPos(2, 1), CellPos(2, 4));
    x.start_elem = a;
    EXPECT_EQ(Segment::cmp(x, y), -1);
    EXPECT_EQ(Segment::cmp(y, x), -1);

    // L shapes turning toward smaller columns at either end: the one at the
    // taller element first, by the difference in height.
    auto l1 = cut({CellPos(0, 1), CellPos(2, 1), CellPos(2, 4)});
    auto l2 = cut({CellPos(2, 2), CellPos(2, 4), CellPos(0, 4)});
    l1[1]->end_elem = box(40, 30.5);
    l2[0]->start_elem = box(40, 70);
    ASSERT_EQ(l1[1]->get_form(), SegmentForm::L_DEC_NONE);
    ASSERT_EQ(l2[0]->get_form(), SegmentForm::L_NONE_DEC);
    EXPECT_EQ(Segment::cmp(*l1[1], *l2[0]), 39);  // truncated toward zero
    EXPECT_EQ(Segment::cmp(*l2[0], *l1[1]), -39);
}
