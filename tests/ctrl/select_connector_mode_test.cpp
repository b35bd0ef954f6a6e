#include "ctrl/modes/select_connector_mode.hpp"

#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include "connect_mode_fixture.hpp"
#include "ctrl/modes/cell_mode.hpp"
#include "model/connector_element.hpp"
#include "model/connectors.hpp"
#include "model/routing/route.hpp"
#include "model/routing/segment.hpp"

namespace {

using ConnectorPtr = std::shared_ptr<Model::AbstractConnectorElement>;

// The connectors of the class at (2, 2) are put together by hand: each has
// one straight segment leaving the class toward a neighbour cell, with a
// chosen position, and is added to the set only, so no layout pass ever
// moves it and the expected order is known.
class SelectConnectorModeTest : public ModeTestBase {
  protected:
    const CellPos center{2, 2};

    void SetUp() override {
        ASSERT_TRUE(ws->add_class(center));
        go_to(center.h, center.v);
    }

    // A connector leaving the centre toward dir; the centre is its start or
    // its end, alternately, so both ends are looked at.
    ConnectorPtr add(const std::string& name, MovingDir dir, double pos) {
        CellPos far = center;
        far.move(dir, 2);
        auto con = Model::new_connector_element("association", ws->get_elem_context());
        Model::Route route;
        const bool center_is_start = m_names.size() % 2 == 0;
        route.start = center_is_start ? center : far;
        route.goal = center_is_start ? far : center;
        route.cells = {route.start, route.goal};
        con->update_route(route);
        auto& seg = center_is_start ? con->get_segments().front() : con->get_segments().back();
        seg->set_pos(pos);
        ws->get_connector_set()->add(con);
        m_names[con.get()] = name;
        return con;
    }

    // The name of the one highlighted connector; "" when none, "many" when
    // the highlight is not unique.
    std::string highlighted() const {
        std::string found;
        int count = 0;
        for (const auto& con : *ws->get_connector_set()) {
            if (con->is_selected) {
                ++count;
                found = m_names.at(con.get());
            }
        }
        return count > 1 ? "many" : found;
    }

    std::string step(guint keyval) {
        EXPECT_TRUE(press(keyval));
        return highlighted();
    }

    std::shared_ptr<Ctrl::SelectConnectorMode> mode() const {
        return ctx->get_mode<Ctrl::SelectConnectorMode>();
    }

    std::map<const Model::AbstractConnectorElement*, std::string> m_names;
};

TEST_F(SelectConnectorModeTest, RefusedOnAnEmptyCellAndHarmlessOnAClassWithoutConnectors) {
    go_to(0, 0);
    press(GDK_KEY_r);
    EXPECT_TRUE(is_current<Ctrl::CellMode>());

    go_to(center.h, center.v);
    ASSERT_TRUE(press(GDK_KEY_r));
    ASSERT_TRUE(is_current<Ctrl::SelectConnectorMode>());
    EXPECT_EQ(mode()->get_focused_list(), nullptr);
    EXPECT_FALSE(press(GDK_KEY_j));
    EXPECT_FALSE(press(GDK_KEY_x));
    EXPECT_EQ(ctx->action_processor->get_undo_count(), 0u);
    EXPECT_TRUE(press(GDK_KEY_Escape));
    EXPECT_TRUE(is_current<Ctrl::CellMode>());
}

TEST_F(SelectConnectorModeTest, SidesAreSortedByPositionAndTheWalkGoesAroundTheClass) {
    // Added out of position order on every side.
    add("U1", MovingDir::UP, 30);
    add("U0", MovingDir::UP, 12);
    add("R1", MovingDir::RIGHT, 25);
    add("R0", MovingDir::RIGHT, 5);
    add("D0", MovingDir::DOWN, 7);
    add("D1", MovingDir::DOWN, 40);
    add("L1", MovingDir::LEFT, 22);
    add("L0", MovingDir::LEFT, 3);

    ASSERT_TRUE(press(GDK_KEY_r));
    for (MovingDir dir : {MovingDir::UP, MovingDir::DOWN, MovingDir::LEFT, MovingDir::RIGHT}) {
        EXPECT_EQ(mode()->get_side_list(dir)->size(), 2) << to_string(dir);
    }
    // The top side comes first.
    EXPECT_EQ(highlighted(), "U0");

    // Clockwise: along the top, down the right side from its top, along the
    // bottom from its right end, up the left side from its bottom.
    EXPECT_EQ(step(GDK_KEY_l), "U1");
    EXPECT_EQ(step(GDK_KEY_l), "R0");
    EXPECT_EQ(step(GDK_KEY_j), "R1");
    EXPECT_EQ(step(GDK_KEY_j), "D1");
    EXPECT_EQ(step(GDK_KEY_h), "D0");
    EXPECT_EQ(step(GDK_KEY_h), "L1");
    EXPECT_EQ(step(GDK_KEY_k), "L0");
    EXPECT_EQ(step(GDK_KEY_k), "U0");

    // Anticlockwise back, with the arrow keys.
    EXPECT_EQ(step(GDK_KEY_Left), "L0");
    EXPECT_EQ(step(GDK_KEY_Down), "L1");
    EXPECT_EQ(step(GDK_KEY_Down), "D0");
    EXPECT_EQ(step(GDK_KEY_Right), "D1");
    EXPECT_EQ(step(GDK_KEY_Right), "R1");
    EXPECT_EQ(step(GDK_KEY_Up), "R0");
    EXPECT_EQ(step(GDK_KEY_Up), "U1");

    // Across: top to bottom lands first, bottom to top last; left to right
    // first, right to left last.
    EXPECT_EQ(step(GDK_KEY_j), "D0");
    EXPECT_EQ(step(GDK_KEY_k), "U1");
    EXPECT_EQ(step(GDK_KEY_h), "U0");
    EXPECT_EQ(step(GDK_KEY_h), "L0");
    EXPECT_EQ(step(GDK_KEY_l), "R0");
    EXPECT_EQ(step(GDK_KEY_h), "L1");

    EXPECT_TRUE(press(GDK_KEY_Escape));
    EXPECT_TRUE(is_current<Ctrl::CellMode>());
    EXPECT_EQ(highlighted(), "");
}

TEST_F(SelectConnectorModeTest, StepsThatLeadNowhereKeepTheHighlight) {
    add("U0", MovingDir::UP, 10);
    add("U1", MovingDir::UP, 20);
    add("L0", MovingDir::LEFT, 10);

    ASSERT_TRUE(press(GDK_KEY_r));
    EXPECT_EQ(highlighted(), "U0");
    // Up is none of the top side's directions; down leads to an empty side.
    EXPECT_EQ(step(GDK_KEY_k), "U0");
    EXPECT_EQ(step(GDK_KEY_j), "U0");
    EXPECT_EQ(step(GDK_KEY_l), "U1");
    // Past the last one the right side is empty.
    EXPECT_EQ(step(GDK_KEY_l), "U1");
    EXPECT_EQ(mode()->get_focused_list(), mode()->get_side_list(MovingDir::UP));

    EXPECT_EQ(step(GDK_KEY_h), "U0");
    EXPECT_EQ(step(GDK_KEY_h), "L0");
    // On the left side: down leads to the empty bottom, left to nothing,
    // right to the empty right side.
    EXPECT_EQ(step(GDK_KEY_j), "L0");
    EXPECT_EQ(step(GDK_KEY_h), "L0");
    EXPECT_EQ(step(GDK_KEY_l), "L0");
    EXPECT_EQ(mode()->get_focused_list(), mode()->get_side_list(MovingDir::LEFT));
}

TEST_F(SelectConnectorModeTest, PositionsLessThanAPixelApartKeepTheSetsOrder) {
    auto a = add("A", MovingDir::UP, 10.9);
    auto b = add("B", MovingDir::UP, 10.2);
    auto c = add("C", MovingDir::UP, 11.95);
    ASSERT_TRUE(press(GDK_KEY_r));
    EXPECT_EQ(mode()->cmp_connector_pos(a, b), 0);
    EXPECT_EQ(mode()->cmp_connector_pos(b, c), -1);
    EXPECT_EQ(mode()->cmp_connector_pos(c, b), 1);

    // A and B compare equal and keep the set's (identifier) order, whatever
    // the identifiers came out as; C is more than a pixel past both.
    std::vector<ConnectorPtr> set_order;
    ws->get_connector_set()->foreach_ordered([&](const ConnectorPtr& con) {
        set_order.push_back(con);
        return true;
    });
    const auto& listed = mode()->get_side_list(MovingDir::UP)->get_connectors();
    ASSERT_EQ(listed.size(), 3u);
    auto index_of = [&](const ConnectorPtr& con) {
        return std::find(listed.begin(), listed.end(), con) - listed.begin();
    };
    EXPECT_EQ(index_of(c), 2);
    auto set_index = [&](const ConnectorPtr& con) {
        return std::find(set_order.begin(), set_order.end(), con) - set_order.begin();
    };
    EXPECT_EQ(index_of(a) < index_of(b), set_index(a) < set_index(b));
}

TEST_F(SelectConnectorModeTest, RemovalMovesTheFocusToNextPreviousThenOppositeSide) {
    add("U0", MovingDir::UP, 10);
    add("U1", MovingDir::UP, 20);
    add("R0", MovingDir::RIGHT, 10);
    add("L0", MovingDir::LEFT, 10);
    add("D0", MovingDir::DOWN, 10);
    add("D1", MovingDir::DOWN, 20);
    const int total = ws->get_connector_set()->size();

    ASSERT_TRUE(press(GDK_KEY_r));
    EXPECT_EQ(step(GDK_KEY_l), "U1");
    // The last of a side: the highlight moves back to the new last one.
    EXPECT_EQ(step(GDK_KEY_x), "U0");
    EXPECT_EQ(ws->get_connector_set()->size(), total - 1);
    // The top side empties: its next side (right) gets the highlight.
    EXPECT_EQ(step(GDK_KEY_d), "R0");
    // The right side empties; its next side is the bottom, entered at its
    // last connector.
    EXPECT_EQ(step(GDK_KEY_x), "D1");
    EXPECT_EQ(step(GDK_KEY_x), "D0");
    // The bottom empties: right (next) is empty, so left (previous).
    EXPECT_EQ(step(GDK_KEY_x), "L0");
    EXPECT_EQ(ws->get_connector_set()->size(), 1);
    EXPECT_EQ(ctx->action_processor->get_undo_count(), 5u);

    // The very last connector of the class: back to the cell mode.
    EXPECT_TRUE(press(GDK_KEY_x));
    EXPECT_TRUE(is_current<Ctrl::CellMode>());
    EXPECT_EQ(ws->get_connector_set()->size(), 0);

    // Each removal undoes on its own.
    for (int i = 1; i <= total; ++i) {
        EXPECT_TRUE(press(GDK_KEY_u));
        EXPECT_EQ(ws->get_connector_set()->size(), i);
    }
    EXPECT_EQ(highlighted(), "");
}

TEST_F(SelectConnectorModeTest, RemovingTheOnlyConnectorOfASideFallsBackToTheOppositeSide) {
    add("U0", MovingDir::UP, 10);
    add("D0", MovingDir::DOWN, 10);
    ASSERT_TRUE(press(GDK_KEY_r));
    EXPECT_EQ(highlighted(), "U0");
    EXPECT_EQ(step(GDK_KEY_x), "D0");
    EXPECT_EQ(mode()->get_focused_list(), mode()->get_side_list(MovingDir::DOWN));
}

// The lists on their own, linked as a square: removal without a mode.
TEST(SelectConnectorModeSideConnectorListTest, RemovalAndFocusEdges) {
    using List = Ctrl::SelectConnectorModeSideConnectorList;
    auto elem_context = Model::ElementContext::create();
    List a, b, c, d;
    a.init(MovingDir::RIGHT, b, MovingDir::LEFT, c, MovingDir::DOWN, d, false);
    auto con = Model::new_connector_element("dependency", elem_context);

    EXPECT_FALSE(a.focus_at_start_or_end(true));
    EXPECT_EQ(a.remove_focuced_connector(), nullptr);
    EXPECT_EQ(a.move(MovingDir::RIGHT), &a);

    a.append(con);
    a.focus(3);
    EXPECT_EQ(a.get_focused_index(), -1);
    EXPECT_EQ(a.get_focused_connector(), nullptr);
    // Nothing focused: nothing to remove, and no step inside the list.
    EXPECT_EQ(a.remove_focuced_connector(), nullptr);
    EXPECT_FALSE(a.next());
    EXPECT_FALSE(a.prev());
    EXPECT_EQ(a.size(), 1);

    a.focus(0);
    EXPECT_TRUE(con->is_selected);
    EXPECT_EQ(a.get_focused_connector(), con);
    EXPECT_EQ(a.remove_focuced_connector(), nullptr);
    EXPECT_FALSE(con->is_selected);
    EXPECT_TRUE(a.is_empty());
}

}  // namespace
