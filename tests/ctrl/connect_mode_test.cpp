#include "ctrl/modes/connect_mode.hpp"

#include <string>
#include <utility>
#include <vector>

#include "connect_mode_fixture.hpp"
#include "ctrl/modes/cell_mode.hpp"
#include "model/connector_element.hpp"
#include "model/connectors.hpp"
#include "model/element_cells.hpp"
#include "model/grid.hpp"
#include "model/routing/segment.hpp"
#include "model/routing/segment_layouter.hpp"

namespace {

class ConnectModeTest : public ModeTestBase {
  protected:
    void SetUp() override {
        ASSERT_TRUE(ws->add_class(CellPos(0, 0)));
        ASSERT_TRUE(ws->add_class(CellPos(2, 0)));
        go_to(0, 0);
    }

    std::shared_ptr<Ctrl::ConnectMode> connect_mode() const {
        return ctx->get_mode<Ctrl::ConnectMode>();
    }
    int connector_count() const { return ws->get_connector_set()->size(); }
    size_t undo_count() const { return ctx->action_processor->get_undo_count(); }
    // A canvas point inside a cell (the view is not scrolled here).
    Point point_in(int32_t h, int32_t v) const {
        Point p = ws->get_grid()->get_top_left_point(CellPos(h, v));
        return Point(p.x + 3, p.y + 3);
    }
};

TEST_F(ConnectModeTest, EachKindKeyStartsAFloatingConnectorOfThatKindAtTheClass) {
    const std::vector<std::pair<guint, std::string>> kinds = {
        {GDK_KEY_R, "association"}, {GDK_KEY_D, "dependency"},     {GDK_KEY_A, "aggregation"},
        {GDK_KEY_C, "composition"}, {GDK_KEY_G, "generalization"}, {GDK_KEY_E, "realization"},
    };
    for (const auto& [key, name] : kinds) {
        SCOPED_TRACE(name);
        ASSERT_TRUE(press_upper(key));
        ASSERT_TRUE(is_current<Ctrl::ConnectMode>());
        EXPECT_EQ(Ctrl::to_nick(connect_mode()->kind), name);
        auto con = ws->get_floating_connector();
        ASSERT_NE(con, nullptr);
        EXPECT_EQ(con->get_serializing_type_name(), name);
        EXPECT_EQ(con->start_elem, ws->get_element_cells()->get(0, 0));
        EXPECT_TRUE(press(GDK_KEY_Escape));
        EXPECT_TRUE(is_current<Ctrl::CellMode>());
    }
}

TEST_F(ConnectModeTest, EmptyCellIsRefused) {
    go_to(1, 0);
    EXPECT_TRUE(press_upper(GDK_KEY_R));
    EXPECT_TRUE(is_current<Ctrl::CellMode>());
    EXPECT_EQ(ws->get_floating_connector(), nullptr);
}

TEST_F(ConnectModeTest, FixesOnlyOnAnotherClassAndUndoesInOneStep) {
    ASSERT_TRUE(press_upper(GDK_KEY_C));
    auto con = ws->get_floating_connector();
    ASSERT_NE(con, nullptr);

    // Still on the start cell: refused, but the key is taken and nothing is
    // recorded.
    EXPECT_TRUE(press(GDK_KEY_Return));
    EXPECT_TRUE(is_current<Ctrl::ConnectMode>());
    EXPECT_EQ(ws->get_floating_connector(), con);
    EXPECT_EQ(undo_count(), 0u);

    // An empty cell is no end either; the loose end follows the cursor.
    EXPECT_TRUE(press(GDK_KEY_l));
    EXPECT_EQ(ctx->get_cell_pos(), CellPos(1, 0));
    EXPECT_EQ(canvas.get_cell_pos(), CellPos(1, 0));
    EXPECT_EQ(con->end_pos, CellPos(1, 0));
    EXPECT_FALSE(con->get_segments().empty());
    EXPECT_EQ(con->end_elem, nullptr);
    EXPECT_TRUE(press(GDK_KEY_Return));
    EXPECT_TRUE(is_current<Ctrl::ConnectMode>());
    EXPECT_EQ(undo_count(), 0u);

    EXPECT_TRUE(press(GDK_KEY_Right));
    EXPECT_EQ(con->end_pos, CellPos(2, 0));
    EXPECT_EQ(con->end_elem, ws->get_element_cells()->get(2, 0));
    EXPECT_TRUE(press(GDK_KEY_Return));
    EXPECT_TRUE(is_current<Ctrl::CellMode>());
    EXPECT_EQ(ws->get_floating_connector(), nullptr);
    ASSERT_EQ(connector_count(), 1);
    EXPECT_TRUE(ws->get_connector_set()->contains(con));
    EXPECT_EQ(con->start_pos, CellPos(0, 0));
    EXPECT_EQ(undo_count(), 1u);

    EXPECT_TRUE(press(GDK_KEY_u));
    EXPECT_EQ(connector_count(), 0);
    EXPECT_TRUE(press(GDK_KEY_r, GDK_CONTROL_MASK));
    EXPECT_EQ(connector_count(), 1);
}

TEST_F(ConnectModeTest, AClassNoRouteReachesIsRefusedWithAReason) {
    // (2, 0) walled in on the three sides the table has.
    for (const CellPos& p : {CellPos(1, 0), CellPos(3, 0), CellPos(2, 1)}) {
        ASSERT_TRUE(ws->add_class(p));
    }
    std::vector<std::string> messages;
    ctx->signal_message().connect([&](const std::string& m) { messages.push_back(m); });
    ASSERT_TRUE(press_upper(GDK_KEY_R));
    EXPECT_TRUE(press(GDK_KEY_l));
    EXPECT_TRUE(press(GDK_KEY_l));
    EXPECT_TRUE(press(GDK_KEY_Return));
    EXPECT_TRUE(is_current<Ctrl::ConnectMode>());
    EXPECT_EQ(messages, std::vector<std::string>{"no route to that class"});
    EXPECT_EQ(connector_count(), 0);
    EXPECT_EQ(undo_count(), 0u);
    // A reachable class still fixes.
    EXPECT_TRUE(press(GDK_KEY_h));
    EXPECT_TRUE(press(GDK_KEY_Return));
    EXPECT_TRUE(is_current<Ctrl::CellMode>());
    EXPECT_EQ(connector_count(), 1);
}

TEST_F(ConnectModeTest, EscapeLeavesNoConnectorNoSegmentAndNoUndoStep) {
    const int segments_before = ws->get_seg_layouter()->size();
    ASSERT_TRUE(press_upper(GDK_KEY_A));
    EXPECT_TRUE(press(GDK_KEY_l));
    EXPECT_TRUE(press(GDK_KEY_l));
    EXPECT_GT(ws->get_seg_layouter()->size(), segments_before);

    EXPECT_TRUE(press(GDK_KEY_bracketleft, GDK_CONTROL_MASK));
    EXPECT_TRUE(is_current<Ctrl::CellMode>());
    EXPECT_EQ(ws->get_floating_connector(), nullptr);
    EXPECT_EQ(connector_count(), 0);
    EXPECT_EQ(ws->get_seg_layouter()->size(), segments_before);
    EXPECT_EQ(undo_count(), 0u);
    EXPECT_EQ(ctx->action_processor->get_redo_count(), 0u);
}

TEST_F(ConnectModeTest, MouseMovesTheLooseEndAndDoublePressFixes) {
    ASSERT_TRUE(press_upper(GDK_KEY_G));
    auto mode = connect_mode();
    auto con = ws->get_floating_connector();
    ASSERT_NE(con, nullptr);

    EXPECT_TRUE(mode->on_press_left_button(point_in(2, 0)));
    EXPECT_EQ(ctx->get_cell_pos(), CellPos(2, 0));
    EXPECT_EQ(con->end_pos, CellPos(2, 0));

    EXPECT_TRUE(mode->on_double_press_left_button(point_in(2, 0)));
    EXPECT_TRUE(is_current<Ctrl::CellMode>());
    EXPECT_TRUE(ws->get_connector_set()->contains(con));
    EXPECT_EQ(con->get_serializing_type_name(), "generalization");
}

TEST_F(ConnectModeTest, ReturnOnTheStartClassMakesASelfRelationOnlyAfterLeavingIt) {
    ASSERT_TRUE(press_upper(GDK_KEY_D));
    // Right away nothing is drawn and nothing can be fixed.
    EXPECT_TRUE(press(GDK_KEY_Return));
    EXPECT_TRUE(is_current<Ctrl::ConnectMode>());
    EXPECT_TRUE(ws->get_floating_connector()->get_segments().empty());
    // Walking off the grid's edge keeps the cursor on it.
    EXPECT_TRUE(press(GDK_KEY_k));
    EXPECT_EQ(ctx->get_cell_pos(), CellPos(0, 0));
    EXPECT_TRUE(press(GDK_KEY_l));
    EXPECT_TRUE(press(GDK_KEY_h));
    // Back on the start class: a loop out of one side and in at the next.
    auto con = ws->get_floating_connector();
    ASSERT_NE(con, nullptr);
    EXPECT_EQ(con->get_segments().size(), 4u);
    EXPECT_TRUE(press(GDK_KEY_Return));
    EXPECT_TRUE(is_current<Ctrl::CellMode>());
    ASSERT_EQ(connector_count(), 1);
    EXPECT_EQ(con->start_pos, con->end_pos);
    EXPECT_NE(con->get_udlr_from_term(StartOrEnd::START), con->get_udlr_from_term(StartOrEnd::END));
    EXPECT_TRUE(press(GDK_KEY_u));
    EXPECT_EQ(connector_count(), 0);
}

}  // namespace
