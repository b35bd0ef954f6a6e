#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "ctrl/modes/cell_mode.hpp"
#include "ctrl/modes/select_cell_mode.hpp"
#include "ctrl_fixture.hpp"
#include "model/grid.hpp"
#include "model/workspace_test_util.hpp"

namespace {

using namespace Ctrl;
using lattrix_test::connect;
using lattrix_test::has_connector;
using lattrix_test::to_xml;

class RearrangeKeysTest : public ::testing::Test, public CtrlFixture {
  protected:
    RearrangeKeysTest() {
        ctx->signal_message().connect([this](const std::string& m) { messages.push_back(m); });
    }
    // A point well inside a cell, in canvas coordinates.
    Point inside(const CellPos& pos) const {
        Point pt = ws->get_grid()->get_top_left_point(pos);
        pt.add(canvas.get_view_offset());
        return Point(pt.x + 3, pt.y + 3);
    }
    bool offers(const std::string& name) { return ctx->enum_actionable_name().count(name) > 0; }
    size_t undo_count() const { return ctx->action_processor->get_undo_count(); }

    std::vector<std::string> messages;
};

// The keys of the cell and select-cell modes, each edit one undo step that
// undoes and redoes exactly.
TEST_F(RearrangeKeysTest, KeysMoveSwapCopyCutAndPaste) {
    ASSERT_TRUE(ws->add_class(CellPos(0, 0)));
    ASSERT_TRUE(ws->add_class(CellPos(2, 0)));
    auto a = at(0, 0);
    auto b = at(2, 0);
    ASSERT_TRUE(connect(*ws, CellPos(0, 0), CellPos(2, 0)));
    std::vector<std::string> docs{to_xml(*ws)};
    auto step = [&](const char* what) {
        docs.push_back(to_xml(*ws));
        EXPECT_EQ(undo_count(), docs.size() - 1) << what;
    };

    ASSERT_TRUE(key(GDK_KEY_L, GDK_SHIFT_MASK));
    EXPECT_EQ(at(1, 0), a);
    EXPECT_EQ(ctx->get_cell_pos(), CellPos(1, 0));
    EXPECT_TRUE(has_connector(*ws, CellPos(1, 0), CellPos(2, 0)));
    step("L");
    ASSERT_TRUE(key(GDK_KEY_l));
    ASSERT_TRUE(key(GDK_KEY_H, GDK_SHIFT_MASK));  // onto A: a swap
    EXPECT_EQ(at(1, 0), b);
    EXPECT_EQ(at(2, 0), a);
    EXPECT_EQ(ctx->get_cell_pos(), CellPos(1, 0));
    step("H");
    ASSERT_TRUE(key(GDK_KEY_Down, GDK_SHIFT_MASK));
    EXPECT_EQ(at(1, 1), b);
    step("S-Down");
    ASSERT_TRUE(key(GDK_KEY_K, GDK_SHIFT_MASK));
    step("K");
    ASSERT_TRUE(key(GDK_KEY_K, GDK_SHIFT_MASK) == false);  // off the table
    EXPECT_EQ(messages.size(), 1u);
    EXPECT_EQ(undo_count(), docs.size() - 1);

    // The range (1,0)-(2,0) down one row, the range and the cursor along.
    ASSERT_TRUE(key(GDK_KEY_v));
    ASSERT_TRUE(key(GDK_KEY_l));
    ASSERT_TRUE(key(GDK_KEY_J, GDK_SHIFT_MASK));
    EXPECT_EQ(at(1, 1), b);
    EXPECT_EQ(at(2, 1), a);
    EXPECT_EQ(*ctx->get_selected_range(), CellRange(CellPos(1, 1), CellPos(2, 1)));
    EXPECT_EQ(ctx->get_cell_pos(), CellPos(2, 1));
    step("range J");

    // y copies the range and leaves at its top-left; p pastes there again
    // only after moving off the classes.
    ASSERT_TRUE(key(GDK_KEY_y));
    EXPECT_EQ(ctx->get_now_mode(), ctx->get_mode<CellMode>());
    EXPECT_EQ(ctx->get_cell_pos(), CellPos(1, 1));
    EXPECT_TRUE(offers("paste"));
    EXPECT_FALSE(key(GDK_KEY_p));
    EXPECT_EQ(messages.back(), "paste: a class is in the way");
    ASSERT_TRUE(key(GDK_KEY_j));
    ASSERT_TRUE(key(GDK_KEY_j));
    ASSERT_TRUE(ctx->action("paste"));  // the menu's Paste, as p
    ASSERT_NE(at(1, 3), nullptr);
    EXPECT_NE(at(1, 3)->get_uid(), b->get_uid());
    EXPECT_TRUE(has_connector(*ws, CellPos(2, 3), CellPos(1, 3)));
    step("paste");

    // x cuts: the class goes, and p brings a copy back elsewhere.
    ASSERT_TRUE(key(GDK_KEY_x));
    EXPECT_EQ(at(1, 3), nullptr);
    step("x");
    ctx->set_cell_pos(CellPos(5, 5));
    ASSERT_TRUE(key(GDK_KEY_v, GDK_CONTROL_MASK));
    EXPECT_NE(at(5, 5), nullptr);
    step("C-v");

    // Undo walks back through every document, redo forward again.
    for (size_t i = docs.size() - 1; i > 0; --i) {
        ASSERT_TRUE(key(GDK_KEY_u));
        EXPECT_EQ(to_xml(*ws), docs[i - 1]) << i;
    }
    for (size_t i = 1; i < docs.size(); ++i) {
        ASSERT_TRUE(key(GDK_KEY_r, GDK_CONTROL_MASK));
        EXPECT_EQ(to_xml(*ws), docs[i]) << i;
    }
}

TEST_F(RearrangeKeysTest, DraggingMovesAClassOrTheSelectedRange) {
    show();
    ASSERT_TRUE(ws->add_class(CellPos(1, 1)));
    ASSERT_TRUE(ws->add_class(CellPos(3, 1)));
    auto a = at(1, 1);
    auto b = at(3, 1);

    // A drag from a class shows the target as the cursor and drops there;
    // onto another class the two swap.
    const Point from = inside(CellPos(1, 1));
    EXPECT_TRUE(button(GDK_BUTTON_PRESS, 1, from.x, from.y));
    Point to = inside(CellPos(3, 1));
    EXPECT_TRUE(drag(to.x, to.y));
    EXPECT_EQ(ctx->get_cell_pos(), CellPos(3, 1));
    EXPECT_EQ(ctx->get_now_mode(), ctx->get_mode<CellMode>());
    EXPECT_TRUE(button(GDK_BUTTON_RELEASE, 1, to.x, to.y));
    EXPECT_EQ(at(3, 1), a);
    EXPECT_EQ(at(1, 1), b);
    EXPECT_EQ(ctx->action_processor->get_undo_count(), 1u);

    // Select (1,1)-(3,1) from the keys, then drag from inside it two rows
    // down.
    ctx->set_cell_pos(CellPos(1, 1));
    ASSERT_TRUE(key(GDK_KEY_v));
    ASSERT_TRUE(key(GDK_KEY_l));
    ASSERT_TRUE(key(GDK_KEY_l));
    const Point grip = inside(CellPos(2, 1));
    EXPECT_TRUE(button(GDK_BUTTON_PRESS, 1, grip.x, grip.y));
    to = inside(CellPos(2, 3));
    EXPECT_TRUE(drag(to.x, to.y));
    EXPECT_TRUE(button(GDK_BUTTON_RELEASE, 1, to.x, to.y));
    EXPECT_EQ(at(1, 3), b);
    EXPECT_EQ(at(3, 3), a);
    EXPECT_EQ(*ctx->get_selected_range(), CellRange(CellPos(1, 3), CellPos(3, 3)));
    EXPECT_EQ(ctx->action_processor->get_undo_count(), 2u);

    // A click inside the range, without a drag, leaves for the cell mode.
    const Point click = inside(CellPos(2, 3));
    EXPECT_TRUE(button(GDK_BUTTON_PRESS, 1, click.x, click.y));
    EXPECT_TRUE(button(GDK_BUTTON_RELEASE, 1, click.x, click.y));
    EXPECT_EQ(ctx->get_now_mode(), ctx->get_mode<CellMode>());
    EXPECT_EQ(ctx->get_cell_pos(), CellPos(2, 3));
}

}  // namespace
